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

struct Fixture
{
    ServedLibrary lib{{4, 30, 1}};
    Catalogue cat;
    CategoryLoader loader{cat};
    QSignalSpy finished{&loader, &CategoryLoader::finished};
    QSignalSpy failed{&loader, &CategoryLoader::changeServerFailed};
    QSignalSpy exhausted{&loader, &CategoryLoader::changeServersExhausted};

    explicit Fixture(int dead = 0)
    {
        cat.servers = lib.table(dead);
        cat.reset({{"a", "kq/pic0", ".jpg"}, {"b", "kq/pic1", ".png"}, {"c", "kq/pic2", ".jpg"}, {"d", "kq/pic3", ".jpeg"}});
    }
    void fault(const char *spec) { lib.server().setFaults({*library::FaultRule::parse(spec, nullptr)}); }
    // Loads c and waits for its end; the finished signal's (category, ok, reason).
    QList<QVariant> load(int c)
    {
        finished.clear();
        loader.load(c);
        if (!finished.wait(20000))
            return {};
        return finished.takeFirst();
    }
};

} // namespace

TEST(CategoryLoader, StoresThePageAndTheChangeFile)
{
    Fixture f;
    const QList<QVariant> r = f.load(0);
    ASSERT_EQ(r.size(), 3);
    EXPECT_EQ(r[0].toInt(), 0);
    EXPECT_TRUE(r[1].toBool());
    EXPECT_EQ(f.cat.items(0).size(), 30);
    EXPECT_TRUE(f.cat.categories[0].taken.has_value());
    EXPECT_EQ(f.cat.changeBatch, "B1-1");
    EXPECT_EQ(f.cat.categories[0].serial, 1);
    EXPECT_FALSE(f.cat.categories[0].updateTime.isEmpty());
    EXPECT_EQ(f.lib.server().log(), (QStringList{"GET /kq/Page0.dat 200 127.0.0.1", "GET /kq/Changer0.dat 200 127.0.0.1"}));
}

TEST(CategoryLoader, AFailedPageLeavesNoRecordsSaysWhyAndKeepsTheRest)
{
    Fixture f;
    ASSERT_TRUE(f.load(2).value(1).toBool());
    f.cat.markTaken(2, 4);
    const QList<QByteArray> latest = f.cat.latest(2);
    const QByteArray time = f.cat.categories[2].updateTime;
    for (const char *fault : {"/kq/Page2.dat status=500", "/kq/Page2.dat truncate=100", "/kq/Page2.dat drop",
                              "/kq/Page2.dat status=302 location=/kq/Page1.dat"}) {
        f.fault(fault);
        const QList<QVariant> r = f.load(2);
        ASSERT_EQ(r.size(), 3) << fault;
        EXPECT_FALSE(r[1].toBool()) << fault;
        EXPECT_FALSE(r[2].toString().isEmpty()) << fault;
        EXPECT_TRUE(f.cat.categories[2].items.has_value());
        EXPECT_TRUE(f.cat.items(2).isEmpty()) << fault;
        EXPECT_EQ(f.cat.latest(2), latest);
        EXPECT_EQ(f.cat.categories[2].updateTime, time);
        EXPECT_TRUE(f.cat.isTaken(2, 4));
    }
    EXPECT_FALSE(f.lib.server().log().contains("GET /kq/Page1.dat 200 127.0.0.1")); // the redirect was not followed
    f.lib.server().clearFaults();
    ASSERT_TRUE(f.load(2).value(1).toBool());
    EXPECT_TRUE(f.cat.isTaken(2, 4));
}

TEST(CategoryLoader, ANewerLoadSupersedesAHangingOneWhoseAnswerNeverLands)
{
    Fixture f;
    f.fault("/kq/Page2.dat hang");
    f.loader.load(2);
    QTest::qWait(100);
    const QList<QVariant> r = f.load(1);
    ASSERT_EQ(r.value(0).toInt(), 1);
    EXPECT_TRUE(r.value(1).toBool());
    f.lib.server().clearFaults(); // the hung request ends now; its answer must change nothing
    QTest::qWait(300);
    EXPECT_TRUE(f.finished.isEmpty());
    EXPECT_FALSE(f.cat.categories[2].items.has_value());
    EXPECT_EQ(f.cat.items(1).size(), 30);
}

TEST(CategoryLoader, ChangeFileFailuresMoveOnAndTheLastServerGivesUp)
{
    Fixture f(3); // servers 0-2 refuse
    f.cat.serverIndex = 3;
    f.fault("/kq/Changer1.dat status=404 host=127.0.0.1");
    const QList<QVariant> r = f.load(1);
    // Servers 3, 4 and 5 are the same server: each answers 404, each is reported, then it gives up.
    EXPECT_EQ(f.failed.size(), 3);
    EXPECT_EQ(f.failed.value(0).value(0).toInt(), 3);
    EXPECT_TRUE(f.failed.value(0).value(1).toBool());
    EXPECT_EQ(f.exhausted.size(), 1);
    EXPECT_EQ(f.cat.serverIndex, 5);
    EXPECT_TRUE(r.value(1).toBool()); // the page itself arrived and is kept
    EXPECT_EQ(f.cat.items(1).size(), 30);
    EXPECT_EQ(f.cat.categories[1].serial, 0);

    // An answer that is no error yet not the file moves on without being reported.
    Fixture quiet;
    quiet.fault("/kq/Changer0.dat status=204");
    quiet.cat.serverIndex = 4;
    quiet.load(0);
    EXPECT_EQ(quiet.failed.size(), 2);
    EXPECT_FALSE(quiet.failed.value(0).value(1).toBool());
    EXPECT_EQ(quiet.exhausted.size(), 1);
}
