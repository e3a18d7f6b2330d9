// The request layer against the library server's faults: time-outs that measure silence, deadlines
// that measure the whole, redirects taken as answers, answers too large, files written only whole.
#include "core/server/http.h"
#include "test_support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

struct Served
{
    ServedLibrary lib{{1, 12, 1}};
    QObject context;

    void fault(const QString &spec) { lib.server().setFaults({*library::FaultRule::parse(spec, nullptr)}); }
    HttpResult get(HttpRequest request)
    {
        if (!request.url.startsWith("http"))
            request.url = lib.url() + request.url;
        HttpResult result;
        bool done = false;
        Http::get(request, &context, [&](const HttpResult &r) {
            result = r;
            done = true;
        });
        EXPECT_TRUE(waitUntil([&] { return done; }, 20000));
        return result;
    }
};

HttpRequest request(const QString &url, int readTimeoutMs = HttpRequest::kDefaultReadTimeoutMs, int deadlineMs = 0)
{
    HttpRequest r;
    r.url = url;
    r.readTimeoutMs = readTimeoutMs;
    r.deadlineMs = deadlineMs;
    return r;
}

// Everything Qt writes to its message handler while a test runs.
struct MessageLog
{
    static inline QStringList lines;
    QtMessageHandler previous;
    MessageLog() : previous(qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &m) { lines << m; })) { lines.clear(); }
    ~MessageLog() { qInstallMessageHandler(previous); }
};

} // namespace

TEST(Http, TheReadTimeOutMeasuresSilenceAndTheDeadlineTheWhole)
{
    Served s;
    // 256 bytes every 150 ms: never silent for 400 ms, so only a deadline stops it.
    s.fault("/kq/Page0.dat drip=150");
    HttpRequest trickle = request("/kq/Page0.dat", 400);
    trickle.maxBytes = 4096;
    HttpResult r = s.get(trickle);
    EXPECT_FALSE(r.timedOut) << r.errorText.toStdString();
    trickle.deadlineMs = 250;
    QElapsedTimer clock;
    clock.start();
    r = s.get(trickle);
    EXPECT_TRUE(r.timedOut);
    EXPECT_FALSE(r.ok());
    EXPECT_LT(clock.elapsed(), 3000);

    MessageLog log;
    s.fault("/kq/Page0.dat hang");
    r = s.get(request("/kq/Page0.dat", 300));
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.reason(), QStringLiteral("服务器响应超时"));
    EXPECT_TRUE(log.lines.isEmpty()) << log.lines.join('\n').toStdString(); // no warning after the abort
}

TEST(Http, RedirectsAndErrorPagesAreAnswersNotTheFile)
{
    Served s;
    s.fault("/kq/Page0.dat status=302 location=/kq/config.xml");
    HttpResult r = s.get(request("/kq/Page0.dat"));
    EXPECT_EQ(r.status, 302);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.failed());
    EXPECT_FALSE(s.lib.server().log().contains("GET /kq/config.xml 200 127.0.0.1"));
    s.fault("/kq/Page0.dat status=404");
    r = s.get(request("/kq/Page0.dat"));
    EXPECT_EQ(r.status, 404);
    EXPECT_EQ(r.reason(), QStringLiteral("服务器答复 404"));
    EXPECT_FALSE(s.get(request(deadUrl() + "x")).reason().isEmpty());
}

TEST(Http, AnswersLargerThanAllowedFail)
{
    Served s;
    HttpRequest small = request("/kq/Page0.dat");
    small.maxBytes = 100;
    const HttpResult r = s.get(small);
    EXPECT_TRUE(r.tooLarge);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(s.get(request("/kq/Page0.dat")).ok());
}

TEST(Http, AFileIsReplacedOnlyByAWholeAnswerAndACancelLeavesNothing)
{
    Served s;
    QTemporaryDir dir;
    const QString target = dir.filePath("page.dat");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("mine");
    old.close();
    HttpRequest into = request("/kq/Page0.dat");
    into.targetPath = target;
    for (const char *fault : {"/kq/Page0.dat truncate=50", "/kq/Page0.dat status=404", "/kq/Page0.dat drop"}) {
        s.fault(fault);
        EXPECT_FALSE(s.get(into).ok()) << fault;
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), "mine") << fault;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << fault;
    }
    s.lib.server().clearFaults();
    EXPECT_TRUE(s.get(into).ok());
    QFile whole(target), served(s.lib.root() + "/kq/Page0.dat");
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    ASSERT_TRUE(served.open(QIODevice::ReadOnly));
    EXPECT_EQ(whole.readAll(), served.readAll());

    // Cancelled halfway: no answer comes, and no file is left.
    s.fault("/kq/Page0.dat drip=100");
    into.targetPath = dir.filePath("cancelled.dat");
    into.url = s.lib.url() + "/kq/Page0.dat";
    HttpJob *job = Http::start(into, &s.context);
    QSignalSpy finished(job, &HttpJob::finished);
    QSignalSpy progress(job, &HttpJob::progress);
    ASSERT_TRUE(progress.wait(5000));
    job->cancel();
    QTest::qWait(300);
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(into.targetPath));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}
