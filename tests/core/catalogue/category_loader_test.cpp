// Loading a category from a real library server: the page, the change file with failover, and
// answers that come too late to matter.
#include "core/catalogue/catalogue.h"
#include "core/catalogue/category_loader.h"
#include "test_support.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

struct Loading
{
    ServedLibrary lib{{4, 30, 1}};
    Catalogue cat;
    CategoryLoader loader{cat};
    QSignalSpy finished{&loader, &CategoryLoader::finished};
    QSignalSpy failed{&loader, &CategoryLoader::changeServerFailed};
    QSignalSpy exhausted{&loader, &CategoryLoader::changeServersExhausted};

    explicit Loading(int dead = 0)
    {
        cat.servers = lib.table(dead);
        cat.reset({{"a", "kq/pic0", ".jpg"}, {"b", "kq/pic1", ".png"}, {"c", "kq/pic2", ".jpg"}, {"d", "kq/pic3", ".jpeg"}});
    }
    // Loads c to its end: whether it succeeded, or nothing when it did not end.
    std::optional<bool> load(int c)
    {
        finished.clear();
        loader.load(c);
        if (!finished.wait(20000))
            return std::nullopt;
        const QList<QVariant> r = finished.takeFirst(); // (category, ok, reason)
        EXPECT_EQ(r[0].toInt(), c);
        EXPECT_EQ(r[1].toBool(), r[2].toString().isEmpty()) << "a failure says why";
        return r[1].toBool();
    }
};

} // namespace

TEST(CategoryLoader, StoresThePageAndTheChangeFileAndAFailedPageLeavesNoRecordsButKeepsTheRest)
{
    Loading f;
    ASSERT_EQ(f.load(2), true);
    EXPECT_EQ(f.cat.items(2).size(), 30);
    EXPECT_EQ(f.cat.changeBatch, "B1-1");
    EXPECT_EQ(f.cat.categories[2].serial, 1);
    EXPECT_EQ(f.lib.server().log(), (QStringList{"GET /kq/Page2.dat 200 127.0.0.1", "GET /kq/Changer2.dat 200 127.0.0.1"}));
    f.cat.markTaken(2, 4);
    const QList<QByteArray> latest = f.cat.latest(2);
    const QByteArray time = f.cat.categories[2].updateTime;
    ASSERT_FALSE(time.isEmpty());
    for (const char *fault : {"status=500", "truncate=100", "drop", "status=302 location=/kq/Page1.dat"}) {
        f.lib.setFaults({QStringLiteral("/kq/Page2.dat ") + fault});
        EXPECT_EQ(f.load(2), false) << fault;
        EXPECT_TRUE(f.cat.categories[2].items.has_value() && f.cat.items(2).isEmpty()) << fault;
        EXPECT_EQ(f.cat.latest(2), latest);
        EXPECT_EQ(f.cat.categories[2].updateTime, time);
        EXPECT_TRUE(f.cat.isTaken(2, 4));
    }
    EXPECT_EQ(f.lib.server().log().filter("Page1"), QStringList()); // the redirect was not followed
    f.lib.setFaults({});
    ASSERT_EQ(f.load(2), true);
    EXPECT_TRUE(f.cat.isTaken(2, 4));
}

TEST(CategoryLoader, ANewerLoadSupersedesAHangingOneWhoseAnswerNeverLands)
{
    Loading f;
    f.lib.setFaults({"/kq/Page2.dat hang"});
    f.loader.load(2);
    QTest::qWait(100);
    EXPECT_EQ(f.load(1), true);
    f.lib.setFaults({}); // the hung request ends now; its answer must change nothing
    QTest::qWait(300);
    EXPECT_TRUE(f.finished.isEmpty());
    EXPECT_FALSE(f.cat.categories[2].items.has_value());
    EXPECT_EQ(f.cat.items(1).size(), 30);
}

TEST(CategoryLoader, ChangeFileFailuresMoveOnAndTheLastServerGivesUp)
{
    Loading f(3); // servers 0-2 refuse; 3, 4 and 5 are the same server, each answering 404
    f.cat.serverIndex = 3;
    f.lib.setFaults({"/kq/Changer1.dat status=404 host=127.0.0.1"});
    EXPECT_EQ(f.load(1), true); // the page itself arrived and is kept
    EXPECT_EQ(f.cat.items(1).size(), 30);
    EXPECT_EQ(f.cat.categories[1].serial, 0);
    ASSERT_EQ(f.failed.size(), 3);
    EXPECT_EQ(f.failed[0], (QList<QVariant>{3, true})); // reported
    EXPECT_EQ(f.exhausted.size(), 1);
    EXPECT_EQ(f.cat.serverIndex, 5);

    // An answer that is no error yet not the file moves on without being reported.
    Loading quiet;
    quiet.lib.setFaults({"/kq/Changer0.dat status=204"});
    quiet.cat.serverIndex = 4;
    quiet.load(0);
    ASSERT_EQ(quiet.failed.size(), 2);
    EXPECT_FALSE(quiet.failed[0][1].toBool());
    EXPECT_EQ(quiet.exhausted.size(), 1);
}
