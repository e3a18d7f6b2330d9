#pragma once
#include <QByteArray>
#include <QList>

namespace kestrin {

struct Catalogue;
class Prompts;
class Lifecycle;

inline constexpr int kChangerTimeoutMs = 30000;

// Lines of "/kq/Changer<n>.dat" from the current server or, failing that, the following ones (each
// failure announced). Empty when no server answered: the end of the program has then been requested.
QList<QByteArray> FetchChanger(Catalogue &cat, int n, Prompts &prompts, Lifecycle &life);

} // namespace kestrin
