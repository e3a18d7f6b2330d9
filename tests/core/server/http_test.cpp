// The request layer against the library server's faults: time-outs that measure silence, deadlines
// that measure the whole, redirects taken as answers, answers too large, files written only whole.
#include "core/server/http.h"
#include "test_support.h"

#include <QDir>
#include <QSignalSpy>
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
