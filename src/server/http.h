#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

class QNetworkAccessManager;

namespace kestrin {

struct HttpResult
{
    int status = 0;          // HTTP status, 0 when no response arrived
    QByteArray body;
    bool transportError = false; // no connection, dropped, timed out, too large, not written
    bool timedOut = false;
    bool tooLarge = false;
    bool writeFailed = false;
    QString errorText;

    // What an HTTP client reports as a failure: no answer, or a status outside 2xx.
    bool failed() const { return transportError || status < 200 || status > 299; }
    bool ok() const { return !transportError && status == 200; }
};

// Blocking HTTP on the UI thread: each call waits in a local event loop, so windows keep repainting
// while user input is held back (unless allowInput). One request object per call.
class Http
{
public:
    static constexpr int kDefaultTimeoutMs = 30000;
    static constexpr qint64 kTextLimit = 256LL * 1024 * 1024; // larger text answers count as failed

    using Progress = std::function<void(qint64 received, qint64 total)>;

    // GET into memory. timeoutMs is a read (inactivity) time-out.
    static HttpResult get(const QString &url, int timeoutMs, qint64 maxBytes = kTextLimit);
    // GET streamed into path through a temporary file beside it; path is replaced only by a whole
    // answer with status 200. Nothing is written otherwise.
    static HttpResult download(const QString &url, const QString &path, int timeoutMs, const Progress &progress = {},
                               bool allowInput = false);
    // True while a blocking call waits; timers use it to stay out of a request in flight.
    static bool busy();

    static QNetworkAccessManager &manager();
};

} // namespace kestrin
