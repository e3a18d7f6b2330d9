#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

namespace kestrin {

struct Catalogue;
struct HttpResult;
class HttpJob;

// "测速": times the download of "/kq/tsspeed.dat" (1,000,000 bytes) from the server in use. The time
// covers connecting and the whole transfer; a server that stays silent for 30 s fails the test.
class SpeedTest : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 30000;

    explicit SpeedTest(Catalogue &catalogue, QObject *parent = nullptr);
    // Starts a test of the server in use; one still running is abandoned.
    void start();
    bool isRunning() const { return !m_job.isNull(); }

signals:
    // library: the speed labels it goes into (servers 0 and 3 share library 0's, and so on).
    void measured(int library, const QString &text);
    void failed(const QString &reason);

private:
    Catalogue &m_catalogue;
    QPointer<HttpJob> m_job;
    QElapsedTimer m_clock;
};

// 1,000,000 divided by the milliseconds taken (0 counts as 1), in 64-bit integers, and " KB/s".
QString speedText(qint64 elapsedMs);

} // namespace kestrin
