#include "library_server.h"

#include "core/catalogue/gbk.h"
#include "gbk_paths.h"

#include <httplib.h>

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <chrono>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <fnmatch.h>
#include <sys/stat.h>

namespace kestrin::library {

struct LibraryServer::Host
{
    std::string address;
    httplib::Server server;
    std::thread thread;
};

std::optional<FaultRule> FaultRule::parse(const QString &spec, QString *error)
{
    const QStringList words = spec.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty() || !words[0].startsWith(QLatin1Char('/'))) {
        *error = QStringLiteral("a fault starts with a path pattern such as /kq/Page*.dat: %1").arg(spec);
        return std::nullopt;
    }
    FaultRule r;
    r.glob = words[0].toStdString();
    bool any = false;
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString key = words[i].section(QLatin1Char('='), 0, 0);
        const QString value = words[i].section(QLatin1Char('='), 1);
        bool ok = true;
        if (key == QLatin1String("host"))
            r.host = value.toStdString();
        else if (key == QLatin1String("status"))
            r.status = value.toInt(&ok), any = true;
        else if (key == QLatin1String("delay"))
            r.delayMs = value.toInt(&ok), any = true;
        else if (key == QLatin1String("hang"))
            r.hang = any = true;
        else if (key == QLatin1String("drop"))
            r.drop = any = true;
        else if (key == QLatin1String("truncate"))
            r.truncate = value.toLongLong(&ok), any = true;
        else if (key == QLatin1String("drip"))
            r.dripMs = value.toInt(&ok), any = true;
        else if (key == QLatin1String("location"))
            r.location = value.toStdString(), ok = !value.isEmpty();
        else
            ok = false;
        if (!ok) {
            *error = QStringLiteral("unknown or malformed fault action '%1' in: %2").arg(words[i], spec);
            return std::nullopt;
        }
    }
    if (!any) {
        *error = QStringLiteral("a fault needs an action (status=, delay=, hang, drop, truncate=, drip=): %1").arg(spec);
        return std::nullopt;
    }
    return r;
}

LibraryServer::LibraryServer(const QString &root)
    : m_root(QFileInfo(root).canonicalFilePath().toStdString())
{
}

LibraryServer::~LibraryServer() { stop(); }

namespace {

bool isLoopback(const QString &host)
{
    return host.startsWith(QLatin1String("127.")) || host == QLatin1String("::1") || host == QLatin1String("localhost");
}

std::string contentType(const std::string &path)
{
    const auto ends = [&path](const char *ext) {
        const size_t n = std::strlen(ext);
        return path.size() >= n && strcasecmp(path.c_str() + path.size() - n, ext) == 0;
    };
    if (ends(".jpg") || ends(".jpeg"))
        return "image/jpeg";
    if (ends(".png"))
        return "image/png";
    if (ends(".htm") || ends(".html"))
        return "text/html; charset=gbk";
    if (ends(".xml") || ends(".dat"))
        return "text/plain; charset=gbk";
    return "application/octet-stream";
}

std::string httpDate(const QDateTime &utc)
{
    return QLocale::c().toString(utc, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'")).toStdString();
}

// If-None-Match decides when present; otherwise If-Modified-Since, to the second.
bool notModified(const httplib::Request &req, const std::string &etag, const QDateTime &modified)
{
    if (req.has_header("If-None-Match"))
        return req.get_header_value("If-None-Match") == etag;
    if (!req.has_header("If-Modified-Since"))
        return false;
    QDateTime since = QLocale::c().toDateTime(QString::fromStdString(req.get_header_value("If-Modified-Since")),
                                              QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
    since.setTimeSpec(Qt::UTC);
    return since.isValid() && modified.toSecsSinceEpoch() <= since.toSecsSinceEpoch();
}

std::string foldSlashes(const std::string &path)
{
    std::string out;
    for (char c : path) {
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out += c;
    }
    return out;
}

} // namespace

bool LibraryServer::start(const QStringList &hosts, int port, bool allowRemote, QString *error)
{
    if (m_root.empty()) {
        *error = QStringLiteral("library folder does not exist");
        return false;
    }
    m_stopping = false;
    for (const QString &h : hosts) {
        if (!allowRemote && !isLoopback(h)) {
            *error = QStringLiteral("%1 is not a loopback address (use --allow-remote to serve it)").arg(h);
            stop();
            return false;
        }
        auto host = std::make_unique<Host>();
        host->address = h.toStdString();
        host->server.set_tcp_nodelay(true);
        host->server.set_keep_alive_timeout(m_keepAliveSeconds);
        host->server.set_keep_alive_max_count(100000);
        // Without SO_REUSEPORT (the library's default) a second server on a taken port fails to start
        // instead of silently sharing the requests with the first.
        host->server.set_socket_options([](socket_t sock) {
            int yes = 1;
            setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        });
        const std::string name = host->address;
        host->server.Get(".*", [this, name](const httplib::Request &req, httplib::Response &res) {
            handle(name, &req, &res);
        });
        host->server.Post("/__faults", [this](const httplib::Request &req, httplib::Response &res) {
            std::vector<FaultRule> rules;
            for (const QString &line : QString::fromStdString(req.body).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                QString err;
                auto rule = FaultRule::parse(line.trimmed(), &err);
                if (!rule) {
                    res.status = 400;
                    res.set_content(err.toStdString() + "\n", "text/plain");
                    return;
                }
                rules.push_back(*rule);
            }
            setFaults(std::move(rules));
            res.set_content("ok\n", "text/plain");
        });
        if (m_port == 0 && port == 0) {
            m_port = host->server.bind_to_any_port(host->address);
            if (m_port <= 0) {
                *error = QStringLiteral("cannot listen on %1").arg(h);
                m_port = 0;
                stop();
                return false;
            }
        } else {
            const int p = m_port ? m_port : port;
            if (!host->server.bind_to_port(host->address, p)) {
                *error = QStringLiteral("cannot listen on %1:%2").arg(h).arg(p);
                stop();
                return false;
            }
            m_port = p;
        }
        host->thread = std::thread([srv = &host->server] { srv->listen_after_bind(); });
        // Running before the next host binds: a stop() after a later failure must find it running, or
        // it would not wake its accept() and the join would wait for ever.
        while (!host->server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        m_hosts.push_back(std::move(host));
    }
    return true;
}

void LibraryServer::stop()
{
    m_stopping = true;
    for (auto &h : m_hosts) {
        h->server.stop();
        if (h->thread.joinable())
            h->thread.join();
    }
    m_hosts.clear();
    m_port = 0;
}

QString LibraryServer::url(int hostIndex) const
{
    if (hostIndex < 0 || size_t(hostIndex) >= m_hosts.size())
        return {};
    return QStringLiteral("http://%1:%2/").arg(QString::fromStdString(m_hosts[size_t(hostIndex)]->address)).arg(m_port);
}

void LibraryServer::setFaults(std::vector<FaultRule> rules)
{
    std::lock_guard lock(m_mutex);
    m_faults = std::move(rules);
    ++m_faultGeneration;
}

QStringList LibraryServer::log() const
{
    std::lock_guard lock(m_mutex);
    QStringList out;
    for (const std::string &l : m_log)
        out << QString::fromStdString(l);
    return out;
}

void LibraryServer::clearLog()
{
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

void LibraryServer::record(const std::string &line)
{
    {
        std::lock_guard lock(m_mutex);
        m_log.push_back(line);
    }
    if (m_echo) {
        std::fprintf(stdout, "%s\n", line.c_str());
        std::fflush(stdout);
    }
}

std::optional<FaultRule> LibraryServer::faultFor(const std::string &host, const std::string &path) const
{
    std::lock_guard lock(m_mutex);
    for (const FaultRule &r : m_faults) {
        if ((r.host.empty() || r.host == host) && fnmatch(r.glob.c_str(), path.c_str(), 0) == 0)
            return r;
    }
    return std::nullopt;
}

bool LibraryServer::sleepFor(int ms, unsigned generation) const
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        if (m_stopping || m_faultGeneration != generation)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string LibraryServer::resolve(const std::string &path) const
{
    // The request's own bytes first: the tool names pictures on disk by the GBK bytes the client asks
    // for. Then the same name in the other encoding: libraries written by older versions name pictures
    // in Unicode, and a browser or curl asks in UTF-8.
    const QByteArray bytes = QByteArray::fromStdString(path);
    for (const QByteArray &candidate : {bytes, gbk::decode(bytes).toUtf8(), gbk::encode(QString::fromUtf8(bytes))}) {
        // Segments only: no "..", no hidden tricks; then the real path must still lie under the root. A
        // backslash is no separator here but the trail byte of many GBK characters (乗 is 81 5C).
        QByteArray joined;
        for (const QByteArray &s : candidate.split('/')) {
            if (s == ".." || s == "." || s.contains('\0'))
                return {};
            if (!s.isEmpty())
                joined += '/' + s;
        }
        if (joined.isEmpty())
            return {};
        char real[PATH_MAX];
        struct stat st;
        const std::string full = m_root + joined.toStdString();
        if (::realpath(full.c_str(), real) && ::stat(real, &st) == 0 && S_ISREG(st.st_mode) &&
            std::string_view(real).starts_with(m_root + '/'))
            return real;
    }
    return {};
}

void LibraryServer::handle(const std::string &host, const void *request, void *response)
{
    const auto &req = *static_cast<const httplib::Request *>(request);
    auto &res = *static_cast<httplib::Response *>(response);
    const std::string path = foldSlashes(req.path);
    const std::string head = req.method + " " + req.path + " ";
    const unsigned generation = m_faultGeneration;
    const std::optional<FaultRule> fault = faultFor(host, path);

    if (fault && fault->hang) {
        record(head + "hang " + host);
        while (sleepFor(50, generation)) {
        }
        res.status = 503;
        return;
    }
    if (fault && fault->delayMs > 0 && !sleepFor(fault->delayMs, generation) && m_stopping) {
        res.status = 503;
        return;
    }
    if (fault && fault->status > 0) {
        res.status = fault->status;
        if (!fault->location.empty())
            res.set_header("Location", fault->location);
        res.set_content("injected status\n", "text/plain");
        record(head + std::to_string(fault->status) + " " + host);
        return;
    }
    const std::string file = resolve(path);
    if (file.empty()) {
        res.status = 404;
        res.set_content("not found\n", "text/plain");
        record(head + "404 " + host);
        return;
    }
    QByteArray content;
    QString readError;
    struct stat st;
    if (::stat(file.c_str(), &st) != 0 || !readBytePath(QByteArray::fromStdString(file), &content, &readError)) {
        res.status = 403;
        record(head + "403 " + host);
        return;
    }
    // Validators, so a client that polls can ask "changed since?" and get a 304 of a few bytes; to
    // the second, as nginx makes them.
    const QDateTime modified = QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec, Qt::UTC);
    const std::string etag = "\"" + std::to_string(content.size()) + "-" + std::to_string(modified.toSecsSinceEpoch()) + "\"";
    res.set_header("Date", httpDate(QDateTime::currentDateTimeUtc()));
    const std::string lastModified = httpDate(modified);
    res.set_header("ETag", etag);
    res.set_header("Last-Modified", lastModified);
    if (!fault && notModified(req, etag, modified)) {
        res.status = 304;
        record(head + "304 " + host);
        return;
    }
    auto body = std::make_shared<std::string>(content.toStdString());
    res.status = 200;
    if (!fault || (!fault->drop && fault->truncate < 0 && fault->dripMs <= 0)) {
        // A range is served only from the version it was asked of (If-Range names that version);
        // otherwise the whole file goes out. The library cuts the body to any range left in the request.
        if (!req.ranges.empty()) {
            const std::string ifRange = req.get_header_value("If-Range");
            if (ifRange.empty() || ifRange == etag || ifRange == lastModified)
                res.status = 206;
            else
                const_cast<httplib::Request &>(req).ranges.clear();
        }
        res.set_content(*body, contentType(path).c_str());
        record(head + std::to_string(res.status) + " " + host);
        return;
    }
    // Faults inside the body: headers promise the whole file, then the body stops short or crawls.
    const_cast<httplib::Request &>(req).ranges.clear();
    const long long limit = fault->drop ? 0 : (fault->truncate >= 0 ? fault->truncate : (long long)body->size());
    const int dripMs = fault->dripMs;
    record(head + (fault->drop ? "200-drop " : fault->truncate >= 0 ? "200-truncate " : "200-drip ") + host);
    res.set_content_provider(body->size(), contentType(path).c_str(),
                             [this, body, limit, dripMs, generation](size_t offset, size_t length, httplib::DataSink &sink) {
                                 if ((long long)offset >= limit)
                                     return false; // close the connection mid-answer
                                 size_t chunk = std::min<size_t>(length, size_t(limit - (long long)offset));
                                 if (dripMs > 0) {
                                     chunk = std::min<size_t>(chunk, 256);
                                     if (!sleepFor(dripMs, generation) && m_stopping)
                                         return false;
                                 }
                                 return sink.write(body->data() + offset, chunk);
                             });
}

} // namespace kestrin::library
