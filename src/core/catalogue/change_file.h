#pragma once
#include "core/server/http.h"

#include <QString>

namespace kestrin {

// "/kq/Changer<n>.dat": batch, serial, update time and change list of category n, read at every load
// and every poll.
inline QString changeFilePath(int category) { return QStringLiteral("/kq/Changer%1.dat").arg(category); }

inline constexpr int kChangeFileTimeoutMs = 30000;
inline constexpr qint64 kChangeFileMaxBytes = 1 << 20; // a larger one is a failed request

inline HttpRequest changeFileRequest()
{
    HttpRequest r;
    r.readTimeoutMs = kChangeFileTimeoutMs;
    r.deadlineMs = kChangeFileTimeoutMs;
    r.maxBytes = kChangeFileMaxBytes;
    return r;
}

} // namespace kestrin
