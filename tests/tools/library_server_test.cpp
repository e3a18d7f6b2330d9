#include "library_server.h"
#include "core/server/http.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::library;
using namespace kestrin::test;

namespace {

// Sends the request line exactly as given (Qt would fold a leading "//").
QByteArray rawGet(int port, const QByteArray &path)
{
    QTcpSocket s;
    s.connectToHost("127.0.0.1", quint16(port));
    if (!s.waitForConnected(2000))
        return {};
    s.write("GET " + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    QByteArray all;
    while (s.waitForReadyRead(2000))
        all += s.readAll();
    return all;
}

FaultRule rule(const char *spec)
{
    QString err;
    auto r = FaultRule::parse(QString::fromUtf8(spec), &err);
    EXPECT_TRUE(r.has_value()) << err.toStdString();
    return r.value_or(FaultRule{});
}

} // namespace

TEST(LibraryServer, ServesBothPathFormsAndNothingOutsideTheFolder)
{
    ServedLibrary lib({1, 5, 1});
    const int port = lib.server().port();
    EXPECT_TRUE(rawGet(port, "//kq/config.xml").startsWith("HTTP/1.1 200"));
    EXPECT_TRUE(rawGet(port, "/kq/config.xml").startsWith("HTTP/1.1 200"));
    QFile::link("/etc", lib.root() + "/kq/etc");
    for (const QByteArray &path : {QByteArray("/kq/../../etc/passwd"), QByteArray("/%2e%2e/%2e%2e/etc/passwd"),
                                  QByteArray("/kq/etc/passwd"), QByteArray("/kq"), QByteArray("/"), QByteArray("/kq/none.dat")}) {
        const QByteArray answer = rawGet(port, path);
        EXPECT_TRUE(answer.startsWith("HTTP/1.1 404")) << path.constData() << " -> " << answer.left(40).constData();
        EXPECT_FALSE(answer.contains("root:")) << path.constData();
    }
    const QStringList log = lib.server().log();
    ASSERT_GE(log.size(), 2);
    EXPECT_EQ(log[0], "GET //kq/config.xml 200 127.0.0.1");
    EXPECT_EQ(log[1], "GET /kq/config.xml 200 127.0.0.1");
}

TEST(LibraryServer, RefusesRemoteAddressesUnlessAllowed)
{
    QTemporaryDir dir;
    LibraryServer server(dir.path());
    QString err;
    EXPECT_FALSE(server.start({"0.0.0.0"}, 0, false, &err));
    EXPECT_TRUE(err.contains("loopback"));
}

TEST(LibraryServer, ASecondServerOnATakenPortFailsToStart)
{
    ServedLibrary lib({1, 2, 1});
    LibraryServer second(lib.root());
    QString err;
    EXPECT_FALSE(second.start({"127.0.0.1"}, lib.server().port(), false, &err));
    EXPECT_TRUE(err.contains("cannot listen")) << err.toStdString();
}

TEST(LibraryServer, EachFaultBehavesAsNamed)
{
    ServedLibrary lib({1, 5, 1});
    const QString url = lib.url() + "kq/tsspeed.dat";
    auto &srv = lib.server();

    srv.setFaults({rule("/kq/tsspeed.dat status=503")});
    HttpResult r = fetch(url, 2000);
    EXPECT_EQ(r.status, 503);
    EXPECT_TRUE(r.failed());
    EXPECT_FALSE(r.transportError);

    srv.setFaults({rule("/kq/*.dat delay=800")});
    r = fetch(url, 200);
    EXPECT_TRUE(r.timedOut);
    r = fetch(lib.url() + "kq/config.xml", 2000); // not matched by the pattern
    EXPECT_TRUE(r.ok());

    srv.setFaults({rule("/kq/tsspeed.dat hang")});
    r = fetch(url, 300);
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(srv.log().filter("hang").size(), 1);

    srv.setFaults({rule("/kq/tsspeed.dat drop")});
    r = fetch(url, 2000);
    EXPECT_TRUE(r.transportError);
    EXPECT_FALSE(r.ok());

    srv.setFaults({rule("/kq/tsspeed.dat truncate=1000")});
    r = fetch(url, 2000);
    EXPECT_TRUE(r.transportError);
    EXPECT_LE(r.body.size(), 1000);

    srv.setFaults({rule("/kq/config.xml drip=300")});
    r = fetch(lib.url() + "kq/config.xml", 100);
    EXPECT_TRUE(r.timedOut) << "a slow drip outlasts a short read time-out";
    QFile big(lib.root() + "/kq/big.bin");
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(2000, 'x'));
    big.close();
    srv.setFaults({rule("/kq/big.bin drip=5")});
    r = fetch(lib.url() + "kq/big.bin", 2000);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.body, QByteArray(2000, 'x')) << "arrived whole, in several drips";

    srv.setFaults({rule("/kq/* status=500 host=127.0.0.9")});
    EXPECT_TRUE(fetch(url, 2000).ok()) << "a fault for another host leaves this one alone";
}

TEST(LibraryServer, FaultsChangeWhileItRuns)
{
    ServedLibrary lib({1, 5, 1});
    QTcpSocket s;
    s.connectToHost("127.0.0.1", quint16(lib.server().port()));
    ASSERT_TRUE(s.waitForConnected(2000));
    const QByteArray body = "/kq/Page0.dat status=418\n";
    s.write("POST /__faults HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Length: " +
            QByteArray::number(body.size()) + "\r\n\r\n" + body);
    while (s.waitForReadyRead(2000)) {
    }
    EXPECT_EQ(fetch(lib.url() + "kq/Page0.dat", 2000).status, 418);

    lib.server().clearFaults();
    EXPECT_EQ(fetch(lib.url() + "kq/Page0.dat", 2000).status, 200);

    QString err;
    EXPECT_FALSE(FaultRule::parse("kq/x status=1", &err).has_value());
    EXPECT_FALSE(FaultRule::parse("/kq/x", &err).has_value());
    EXPECT_FALSE(FaultRule::parse("/kq/x explode", &err).has_value());
    EXPECT_FALSE(FaultRule::parse("/kq/x delay=soon", &err).has_value());
}
