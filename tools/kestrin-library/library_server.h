#pragma once
// Static HTTP server for a library folder, with fault injection per path pattern. Used by the
// kestrin-library tool and, in-process, by the tests.
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace httplib { class Server; }

namespace kestrin::library {

// "GLOB [host=H] ACTION..." with actions status=N (with location=URL for a redirect), delay=MS, hang,
// drop, truncate=BYTES, drip=MS.
// GLOB matches the request path with "//" folded to "/", e.g. "/kq/Changer*.dat".
struct FaultRule
{
    std::string glob;
    std::string host; // empty: every host
    int status = 0;
    int delayMs = 0;
    bool hang = false;
    bool drop = false;
    long long truncate = -1;
    int dripMs = 0;
    std::string location; // Location header of an injected status

    static std::optional<FaultRule> parse(const QString &spec, QString *error);
};

class LibraryServer
{
public:
    explicit LibraryServer(const QString &root);
    ~LibraryServer();
    LibraryServer(const LibraryServer &) = delete;
    LibraryServer &operator=(const LibraryServer &) = delete;

    // port 0: an ephemeral port, the same for every host. Only loopback hosts unless allowRemote.
    bool start(const QStringList &hosts, int port, bool allowRemote, QString *error);
    void stop();
    int port() const { return m_port; }
    QString url(int hostIndex = 0) const;

    void setFaults(std::vector<FaultRule> rules);
    void clearFaults() { setFaults({}); }
    void setEchoLog(bool echo) { m_echo = echo; }
    // How long an idle connection stays open for the next request (before start). stop() may wait
    // this long for a connection that is open.
    void setKeepAliveSeconds(int seconds) { m_keepAliveSeconds = seconds; }
    // "METHOD PATH STATUS HOST" for every request so far.
    QStringList log() const;
    void clearLog();

private:
    struct Host;
    void handle(const std::string &host, const void *request, void *response);
    std::optional<FaultRule> faultFor(const std::string &host, const std::string &path) const;
    void record(const std::string &line);
    bool sleepFor(int ms, unsigned generation) const; // false when stopping or the faults changed
    std::string resolve(const std::string &requestPath) const; // empty when outside the root or absent

    std::string m_root;
    std::vector<std::unique_ptr<Host>> m_hosts;
    int m_port = 0;
    int m_keepAliveSeconds = 1;
    std::atomic<bool> m_stopping{false};
    std::atomic<unsigned> m_faultGeneration{0};
    std::atomic<bool> m_echo{false};
    mutable std::mutex m_mutex;
    std::vector<FaultRule> m_faults;
    std::vector<std::string> m_log;
};

} // namespace kestrin::library
