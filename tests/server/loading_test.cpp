#include "catalogue/catalogue.h"
#include "catalogue/change_file.h"
#include "catalogue/page_loader.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

struct Fixture
{
    ServedLibrary lib{{4, 30, 1}};
    Catalogue cat;
    ScriptedPrompts prompts;
    RecordingLifecycle life;

    explicit Fixture(int dead = 0)
    {
        cat.ServerUrls = lib.table(dead);
        cat.CateList = {"a|kq/pic0|.jpg", "b|kq/pic1|.png", "c|kq/pic2|.jpg", "d|kq/pic3|.jpeg"};
        cat.size(4);
    }
};

QString failover(int n) { return QString::fromUtf8("message: 与#%1号主机通信失败,尝试连接下一台服务器!").arg(n); }

} // namespace

TEST(FetchChanger, FailingServersAreAnnouncedOneByOneAndTheIndexStaysAdvanced)
{
    Fixture f(3);
    f.cat.ServerIndex = 2;
    const QList<QByteArray> lines = FetchChanger(f.cat, 3, f.prompts, f.life);
    EXPECT_EQ(f.prompts.shown, QStringList{failover(2)});
    EXPECT_EQ(f.cat.ServerIndex, 3);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1], "1");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(f.lib.server().log(), QStringList{"GET /kq/Changer3.dat 200 127.0.0.1"});
}

TEST(FetchChanger, AnErrorStatusIsAFailureAndTheLastServerEndsTheProgram)
{
    Fixture f;
    f.lib.server().setFaults({*library::FaultRule::parse("/kq/Changer0.dat status=404", nullptr)});
    f.cat.ServerIndex = 4;
    const QList<QByteArray> lines = FetchChanger(f.cat, 0, f.prompts, f.life);
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_EQ(f.prompts.shown, (QStringList{failover(4), failover(5),
                                            QString::fromUtf8("message: 所有服务器均无法连接,请与管理员联系!")}));
    EXPECT_TRUE(f.life.terminating());
    EXPECT_EQ(f.cat.ServerIndex, 5);
}

TEST(FetchChanger, ANonErrorStatusOtherThan200MovesOnSilently)
{
    Fixture f;
    f.lib.server().setFaults({*library::FaultRule::parse("/kq/Changer1.dat status=204 host=127.0.0.1", nullptr)});
    f.cat.ServerUrls.urls[1] = f.lib.url(); // same server: both answer 204
    const QList<QByteArray> lines = FetchChanger(f.cat, 1, f.prompts, f.life);
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_EQ(f.prompts.shown, QStringList{QString::fromUtf8("message: 所有服务器均无法连接,请与管理员联系!")});
}

TEST(LoadCatePage, FillsTheCategoryFromPageAndChangeFile)
{
    Fixture f;
    ASSERT_TRUE(LoadCatePage(f.cat, 0, f.prompts, f.life));
    EXPECT_EQ(f.cat.items(0).size(), 30);
    EXPECT_TRUE(f.cat.CateStatus[0].has_value());
    EXPECT_TRUE(f.cat.CateSelMarks[0].has_value());
    EXPECT_EQ(f.cat.ChangeBatch, "B1-1");
    EXPECT_EQ(f.cat.CateSerials[0], 1);
    EXPECT_FALSE(f.cat.CateUpdateTimes[0].isEmpty());
    EXPECT_EQ(f.lib.server().log(), (QStringList{"GET /kq/Page0.dat 200 127.0.0.1", "GET /kq/Changer0.dat 200 127.0.0.1"}));
    EXPECT_TRUE(f.prompts.shown.isEmpty());
}

TEST(LoadCatePage, AFailedPageLeavesAnEmptyListAndTheRestAsItWas)
{
    Fixture f;
    ASSERT_TRUE(LoadCatePage(f.cat, 2, f.prompts, f.life));
    f.cat.setMark(2, 4);
    const QList<QByteArray> latest = f.cat.latest(2);
    for (const char *fault : {"/kq/Page2.dat status=500", "/kq/Page2.dat truncate=100", "/kq/Page2.dat drop"}) {
        f.lib.server().setFaults({*library::FaultRule::parse(fault, nullptr)});
        EXPECT_FALSE(LoadCatePage(f.cat, 2, f.prompts, f.life)) << fault;
        EXPECT_TRUE(f.cat.CateItems[2].has_value());
        EXPECT_TRUE(f.cat.items(2).isEmpty()) << fault;
        EXPECT_EQ(f.cat.latest(2), latest);
        EXPECT_TRUE(f.cat.isMarked(2, 4));
    }
    EXPECT_TRUE(f.prompts.shown.isEmpty());
    f.lib.server().clearFaults();
    ASSERT_TRUE(LoadCatePage(f.cat, 2, f.prompts, f.life));
    EXPECT_TRUE(f.cat.isMarked(2, 4));
}
