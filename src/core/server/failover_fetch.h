#pragma once
#include "core/server/http.h"

#include <QObject>
#include <QPointer>
#include <functional>

namespace kestrin {

struct Catalogue;

// Asks the server in use for one file and, while it fails, each following server in turn, up to the
// last of the six; never back to the first. The server that answered stays the one in use for every
// later request (the catalogue's server index is advanced as servers fail).
class FailoverFetch : public QObject
{
    Q_OBJECT
public:
    // accept: whether an answer is the file wanted; any other answer moves on to the next server.
    using Accept = std::function<bool(const HttpResult &)>;
    FailoverFetch(Catalogue &catalogue, const QString &path, const HttpRequest &prototype, Accept accept,
                  QObject *parent);

    void start();
    // Stops at once; no further signal is emitted, also not after a signal handler that is still running.
    void cancel();
    bool isRunning() const { return m_running; }

signals:
    // Server index failed; reported when the client saw an error (no answer or a status outside 2xx),
    // as opposed to an answer that merely was not the file wanted.
    void serverFailed(int index, bool reported);
    void answered(const kestrin::HttpResult &result);
    // The last server failed too; the server index stays at the last one.
    void exhausted();

private:
    void attempt();
    void onResult(const HttpResult &result);

    Catalogue &m_catalogue;
    QString m_path;
    HttpRequest m_prototype;
    Accept m_accept;
    QPointer<HttpJob> m_job;
    unsigned m_generation = 0;
    bool m_running = false;
};

} // namespace kestrin
