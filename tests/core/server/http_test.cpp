// The request layer against the library server's faults: time-outs that measure silence, deadlines
// that measure the whole, redirects taken as answers, answers too large, files written only whole; and
// the proxy it takes from the environment.
#include "core/server/http.h"
#include "test_support.h"

#include <QDir>
#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

HttpRequest page(const ServedLibrary &lib, int readTimeoutMs = HttpRequest::kDefaultReadTimeoutMs)
{
    HttpRequest r;
    r.url = lib.url() + "kq/Page0.dat";
    r.readTimeoutMs = readTimeoutMs;
    return r;
}

QStringList messages; // what Qt logs while a handler below is installed

} // namespace

TEST(Http, TheReadTimeOutMeasuresSilenceAndTheDeadlineTheWhole)
{
    ServedLibrary lib({1, 12, 1});
    // 256 bytes every 150 ms: never silent for 400 ms, so only a deadline stops it.
    lib.setFaults({"/kq/Page0.dat drip=150"});
    HttpRequest trickle = page(lib, 400);
    trickle.maxBytes = 4096;
    EXPECT_FALSE(fetch(trickle).timedOut);
    trickle.deadlineMs = 250;
    const HttpResult cut = fetch(trickle);
    EXPECT_TRUE(cut.timedOut && !cut.ok());

    lib.setFaults({"/kq/Page0.dat hang"});
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &m) { messages << m; });
    const HttpResult silent = fetch(page(lib, 300));
    qInstallMessageHandler(previous);
    EXPECT_TRUE(silent.timedOut);
    EXPECT_EQ(silent.reason(), QStringLiteral("服务器响应超时"));
    EXPECT_EQ(messages, QStringList()); // no warning after the abort
}

TEST(Http, RedirectsErrorPagesAndTooMuchAreAnswersNotTheFile)
{
    ServedLibrary lib({1, 12, 1});
    lib.setFaults({"/kq/Page0.dat status=302 location=/kq/config.xml"});
    HttpResult r = fetch(page(lib));
    EXPECT_EQ(r.status, 302);
    EXPECT_TRUE(r.failed() && !r.ok());
    EXPECT_EQ(lib.server().log().filter("config.xml"), QStringList());
    lib.setFaults({"/kq/Page0.dat status=404"});
    EXPECT_EQ(fetch(page(lib)).reason(), QStringLiteral("服务器答复 404"));
    EXPECT_FALSE(fetch(deadUrl() + "x").reason().isEmpty());

    lib.setFaults({});
    HttpRequest small = page(lib);
    small.maxBytes = 100;
    r = fetch(small);
    EXPECT_TRUE(r.tooLarge && !r.ok());
    EXPECT_TRUE(fetch(page(lib)).ok());
}

TEST(Http, AFileIsReplacedOnlyByAWholeAnswerAndACancelLeavesNothing)
{
    ServedLibrary lib({1, 12, 1});
    QTemporaryDir dir;
    HttpRequest into = page(lib);
    into.targetPath = dir.filePath("page.dat");
    ASSERT_TRUE(writeFile(into.targetPath, "mine"));
    for (const char *fault : {"truncate=50", "status=404", "drop"}) {
        lib.setFaults({QStringLiteral("/kq/Page0.dat ") + fault});
        EXPECT_FALSE(fetch(into).ok()) << fault;
        EXPECT_EQ(readAll(into.targetPath), "mine") << fault;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << fault;
    }
    lib.setFaults({});
    EXPECT_TRUE(fetch(into).ok());
    EXPECT_EQ(readAll(into.targetPath), readAll(lib.root() + "/kq/Page0.dat"));

    // Cancelled halfway: no answer comes, and no file is left.
    lib.setFaults({"/kq/Page0.dat drip=100"});
    into.targetPath = dir.filePath("cancelled.dat");
    QObject context;
    HttpJob *job = Http::start(into, &context);
    QSignalSpy finished(job, &HttpJob::finished);
    QSignalSpy progress(job, &HttpJob::progress);
    ASSERT_TRUE(progress.wait(5000));
    job->cancel();
    QTest::qWait(300);
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"page.dat"});
}

namespace {

// A proxy that notes each request line and answers it from the library's folder, as its server would.
class RecordingProxy : public QTcpServer
{
public:
    explicit RecordingProxy(const QString &root) : m_root(root)
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        });
        listen(QHostAddress::LocalHost);
    }
    QString address() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }
    QStringList requests;

private:
    void answer(QTcpSocket *socket)
    {
        if (!socket->canReadLine())
            return;
        const QByteArray line = socket->readLine().trimmed();
        requests << QString::fromLatin1(line);
        QFile file(m_root + QUrl(QString::fromLatin1(line.split(' ').value(1))).path());
        const QByteArray body = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                      "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }
    QString m_root;
};

// The proxy variables cleared, and put back as they were when the test ends, however it ends.
class ProxyEnvironment
{
public:
    ProxyEnvironment()
    {
        for (const QByteArray &name : kNames) {
            if (qEnvironmentVariableIsSet(name))
                m_saved.insert(name, qgetenv(name));
        }
    }
    ~ProxyEnvironment()
    {
        set({});
        for (auto i = m_saved.cbegin(); i != m_saved.cend(); ++i)
            qputenv(i.key(), i.value());
    }
    void set(const QList<QPair<QByteArray, QByteArray>> &values)
    {
        for (const QByteArray &name : kNames)
            qunsetenv(name);
        for (const auto &[name, value] : values)
            qputenv(name, value);
    }

private:
    inline static const QByteArrayList kNames{"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                              "all_proxy",  "ALL_PROXY",  "no_proxy",    "NO_PROXY"};
    QMap<QByteArray, QByteArray> m_saved;
};

} // namespace

// A proxy named in the environment carries the requests; one the exceptions name, or a server on this
// machine, is reached directly, as is every server when no proxy is set.
TEST(Http, AProxyInTheEnvironmentIsUsedExceptForItsExceptionsAndThisMachine)
{
    ProxyEnvironment environment;
    ServedLibrary lib({1, 4, 1});
    RecordingProxy proxy(lib.root());
    const QByteArray via = proxy.address().toLatin1();
    const QString port = QString::number(QUrl(lib.url()).port());
    const struct
    {
        const char *what;
        QList<QPair<QByteArray, QByteArray>> environment;
        QString host;
        bool proxied;
    } cases[] = {
        {"http_proxy", {{"http_proxy", via}}, "kestrin-library.test", true},
        {"HTTP_PROXY", {{"HTTP_PROXY", via}}, "kestrin-library.test", true},
        {"no_proxy names the host", {{"http_proxy", via}, {"no_proxy", ".test"}}, "kestrin-library.test", false},
        {"NO_PROXY=*", {{"http_proxy", via}, {"NO_PROXY", "*"}}, "kestrin-library.test", false},
        {"this machine by address", {{"http_proxy", via}}, "127.0.0.1", false},
        {"this machine by name", {{"http_proxy", via}, {"all_proxy", via}}, "localhost", false},
        {"none set", {}, "kestrin-library.test", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        environment.set(c.environment);
        proxy.requests.clear();
        const QString url = "http://" + c.host + ":" + port + "/kq/config.xml";
        QNetworkProxyFactory *factory = Http::manager().proxyFactory();
        ASSERT_TRUE(factory) << "a fixed proxy, whatever the environment says";
        const QList<QNetworkProxy> chosen = factory->queryProxy(QNetworkProxyQuery(QUrl(url)));
        ASSERT_FALSE(chosen.isEmpty());
        EXPECT_EQ(chosen.first().type(), c.proxied ? QNetworkProxy::HttpProxy : QNetworkProxy::NoProxy);
        // Only what can be reached without a name server is fetched.
        if (!c.proxied && c.host != QLatin1String("127.0.0.1"))
            continue;
        const HttpResult r = fetch(url);
        EXPECT_TRUE(r.ok()) << r.reason().toStdString();
        EXPECT_EQ(r.body, readAll(lib.root() + "/kq/config.xml"));
        EXPECT_EQ(proxy.requests, c.proxied ? QStringList{"GET " + url + " HTTP/1.1"} : QStringList());
    }
}
