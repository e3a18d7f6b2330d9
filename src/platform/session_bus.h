#pragma once
#include <QDBusConnection>
#include <functional>

namespace kestrin {

// Where the desktop's services are asked: the session bus, reached only when first needed (start-up
// does not wait for it); tests hand in a private bus.
using BusSource = std::function<QDBusConnection()>;

inline QDBusConnection sessionBus() { return QDBusConnection::sessionBus(); }

} // namespace kestrin
