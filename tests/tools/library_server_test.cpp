// The library server the tests run against: what it serves, where it starts, and its faults.
#include "library_ops.h"
#include "library_server.h"
#include "test_support.h"

#include <QDir>
#include <QTcpSocket>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::library;
using namespace kestrin::test;

namespace {

// Sends the request exactly as given (Qt would fold a leading "//").
QByteArray send(int port, const QByteArray &request)
{
    QTcpSocket s;
    s.connectToHost("127.0.0.1", quint16(port));
    if (!s.waitForConnected(2000))
        return {};
    s.write(request);
    QByteArray all;
    while (s.waitForReadyRead(2000))
        all += s.readAll();
    return all;
}

QByteArray get(int port, const QByteArray &path) { return send(port, "GET " + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"); }

} // namespace

TEST(LibraryServer, ServesBothPathFormsAndNothingOutsideTheFolder)
{
    ServedLibrary lib({1, 5, 1});
    const int port = lib.server().port();
    EXPECT_TRUE(get(port, "//kq/config.xml").startsWith("HTTP/1.1 200"));
    EXPECT_TRUE(get(port, "/kq/config.xml").startsWith("HTTP/1.1 200"));
    EXPECT_EQ(lib.server().log(), (QStringList{"GET //kq/config.xml 200 127.0.0.1", "GET /kq/config.xml 200 127.0.0.1"}));
    ASSERT_TRUE(QFile::link("/etc", lib.root() + "/kq/etc"));
    for (const char *path : {"/kq/../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/kq/etc/passwd", "/kq", "/", "/kq/none.dat"}) {
        const QByteArray answer = get(port, path);
        EXPECT_TRUE(answer.startsWith("HTTP/1.1 404") && !answer.contains("root:")) << path << " -> " << answer.left(40).constData();
    }
}

TEST(LibraryServer, FindsAPictureStoredUnderItsGbkOrItsUnicodeNameAskedEitherWay)
{
    ServedLibrary lib({1, 5, 1});
    QString err;
    // On disk under GBK bytes, as the tool writes them (中 is D6 D0 in GBK, valid UTF-8 too; 東 ends in
    // "|", 乗 in a backslash)...
    ASSERT_TRUE(writeBytePathAtomically(QFile::encodeName(lib.root()) + g("/kq/東 乗/中乗.png"), "gbk", &err));
    // ...and under Unicode names, as older versions wrote them.
    ASSERT_TRUE(QDir().mkpath(lib.root() + "/kq/旧 图") && writeFile(lib.root() + "/kq/旧 图/東乗.png", "utf8"));
    const struct
    {
        const char *path, *body;
    } cases[] = {{"/kq/東 乗/中乗.png", "gbk"}, {"/kq/旧 图/東乗.png", "utf8"}};
    for (const auto &c : cases) {
        for (const QByteArray &asked : {g(c.path), QByteArray(c.path)}) {
            const QByteArray answer = get(lib.server().port(), asked.toPercentEncoding("/"));
            EXPECT_TRUE(answer.startsWith("HTTP/1.1 200") && answer.endsWith(c.body)) << asked.toPercentEncoding("/").constData();
        }
    }
}

TEST(LibraryServer, StartsOnlyOnLoopbackAndAFreePort)
{
    ServedLibrary lib({1, 2, 1});
    QString err;
    EXPECT_FALSE(LibraryServer(lib.root()).start({"0.0.0.0"}, 0, false, &err));
    EXPECT_TRUE(err.contains("loopback")) << err.toStdString();
    EXPECT_FALSE(LibraryServer(lib.root()).start({"127.0.0.1"}, lib.server().port(), false, &err));
    EXPECT_TRUE(err.contains("cannot listen")) << err.toStdString();
}

// What the client's own tests leave unexercised: patterns, hosts, delays and drips.
TEST(LibraryServer, EachFaultBehavesAsNamed)
{
    ServedLibrary lib({1, 5, 1});
    ASSERT_TRUE(writeFile(lib.root() + "/kq/big.bin", QByteArray(2000, 'x')));
    const struct
    {
        const char *fault, *path;
        int timeoutMs, status;
        bool timedOut;
    } cases[] = {
        {"/kq/*.dat delay=800", "kq/tsspeed.dat", 200, 0, true},
        {"/kq/*.dat delay=800", "kq/config.xml", 2000, 200, false},              // not matched by the pattern
        {"/kq/config.xml drip=300", "kq/config.xml", 100, 200, true},            // outlasts a short read time-out
        {"/kq/big.bin drip=5", "kq/big.bin", 2000, 200, false},                  // arrives whole, in several drips
        {"/kq/* status=500 host=127.0.0.9", "kq/tsspeed.dat", 2000, 200, false}, // another host's fault
        {"/kq/* status=503 host=127.0.0.1", "kq/tsspeed.dat", 2000, 503, false},
    };
    for (const auto &c : cases) {
        lib.setFaults({c.fault});
        const HttpResult r = fetch(lib.url() + c.path, c.timeoutMs);
        EXPECT_EQ(r.status, c.status) << c.fault << " " << c.path;
        EXPECT_EQ(r.timedOut, c.timedOut) << c.fault << " " << c.path;
        EXPECT_EQ(r.ok(), c.status == 200 && !c.timedOut) << c.fault << " " << c.path;
        EXPECT_TRUE(!r.ok() || r.body == readAll(lib.root() + '/' + c.path)) << c.fault;
    }
}

TEST(LibraryServer, FaultsAreSetWhileItRunsAndBadOnesRefused)
{
    ServedLibrary lib({1, 5, 1});
    const QByteArray body = "/kq/Page0.dat status=418\n";
    send(lib.server().port(), "POST /__faults HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Length: " +
                                  QByteArray::number(body.size()) + "\r\n\r\n" + body);
    EXPECT_EQ(fetch(lib.url() + "kq/Page0.dat", 2000).status, 418);
    lib.server().clearFaults();
    EXPECT_EQ(fetch(lib.url() + "kq/Page0.dat", 2000).status, 200);
    QString err;
    for (const char *bad : {"kq/x status=1", "/kq/x", "/kq/x explode", "/kq/x delay=soon"})
        EXPECT_FALSE(FaultRule::parse(bad, &err).has_value()) << bad;
}
