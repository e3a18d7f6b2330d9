// The poll against a real server: one at a time, answers for another category dropped, quiet failover,
// and changes whose file times lag. Its decision table, row by row: fuzz/change_merge.cpp.
#include "core/catalogue/catalogue.h"
#include "core/catalogue/category_loader.h"
#include "core/catalogue/change_poll.h"
#include "core/catalogue/records.h"
#include "library_files.h"
#include "test_support.h"

#include <QDateTime>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

struct Polling
{
    ServedLibrary lib{{2, 20, 1}};
    Catalogue cat;
    CategoryLoader loader{cat};
    ChangePoller poller{cat, loader};
    QSignalSpy merges{&poller, &ChangePoller::changesArrived};
    QSignalSpy reloads{&poller, &ChangePoller::reloadNeeded};
    QSignalSpy failed{&poller, &ChangePoller::serverFailed};
    const QDateTime past = QDateTime::currentDateTime().addSecs(-100);

    Polling()
    {
        cat.servers = lib.table();
        cat.reset({{"a", "kq/pic0", ".jpg"}, {"b", "kq/pic1", ".png"}});
        QSignalSpy done(&loader, &CategoryLoader::finished);
        loader.load(0);
        done.wait(10000);
    }
    // Renames the picture of record k in category 0, the next change list, leaving the change file the
    // same older time each time: as an upload that keeps file times, or a share whose clock lags, does.
    bool rename(int k)
    {
        QString error;
        const QByteArray name = PictureRecord::parse(cat.items(0).at(k)).fileName.toByteArray();
        QFile change(library::changerPath(lib.root(), 0));
        return library::publishPicture(lib.root(), 0, name, g("新名"), "2026-12-07 10:00", &error) &&
               change.open(QIODevice::ReadWrite) &&
               change.setFileTime(past, QFileDevice::FileModificationTime);
    }
    void pollOnce()
    {
        poller.poll();
        waitUntil([this] { return !poller.isPolling(); }, 20000);
    }
};

} // namespace

// Changes of the same size with the same file time: a poll that sent validators would be told "not
// modified" and miss the second for good.
TEST(ChangePoller, MergesTheNextListWhateverItsFileTimeAndReloadsWhatCannotBeMerged)
{
    Polling p;
    p.lib.server().clearLog();
    for (int k : {12, 13}) {
        ASSERT_TRUE(p.rename(k));
        p.pollOnce();
        p.pollOnce(); // the same file again: nothing
    }
    ASSERT_EQ(p.merges.size(), 2);
    EXPECT_EQ(p.merges[1][1].toByteArray(), "13");
    EXPECT_EQ(p.cat.categories[0].serial, 3);
    EXPECT_EQ(p.cat.categories[0].updateTime, "2026-12-07 10:00");
    EXPECT_EQ(p.lib.server().log().filter(" 200 ").size(), 4);
    EXPECT_TRUE(p.reloads.isEmpty());

    // A picture appended (beyond the records held), then a new batch: the category is reloaded.
    QString error;
    ASSERT_TRUE(library::publishPicture(p.lib.root(), 0, "NEW1", g("新图"), "2026-12-07 10:05", &error));
    p.pollOnce();
    EXPECT_EQ(p.reloads.size(), 1);
    ASSERT_TRUE(library::newBatch(p.lib.root(), &error));
    p.pollOnce();
    EXPECT_EQ(p.reloads.size(), 2);
    EXPECT_EQ(p.merges.size(), 2);
}

TEST(ChangePoller, OnePollAtATimeAndNoneForACategoryNoLongerShown)
{
    Polling p;
    ASSERT_TRUE(p.rename(12));
    p.lib.setFaults({"/kq/Changer0.dat delay=300"});
    p.poller.poll();
    p.poller.poll(); // a tick while one waits does nothing
    p.cat.current = 1; // the user switched category meanwhile
    QSignalSpy done(&p.loader, &CategoryLoader::finished);
    p.loader.load(1);
    ASSERT_TRUE(done.wait(5000));
    ASSERT_TRUE(waitUntil([&] { return !p.poller.isPolling(); }));
    EXPECT_EQ(p.lib.server().log().filter("Changer0").size(), 2); // the load's and one poll
    EXPECT_TRUE(p.merges.isEmpty());
    EXPECT_EQ(p.cat.categories[0].serial, 1);
}

TEST(ChangePoller, FailingServersAreReportedQuietlyAndTheNextTickTriesAgain)
{
    Polling p;
    QSignalSpy exhausted(&p.poller, &ChangePoller::allServersFailed);
    QSignalSpy recovered(&p.poller, &ChangePoller::recovered);
    p.cat.servers.urls[4] = p.cat.servers.urls[5] = deadUrl();
    p.cat.serverIndex = 3;
    p.lib.setFaults({"/kq/Changer0.dat status=500"});
    p.poller.setChosenServer([] { return 1; });
    p.pollOnce();
    EXPECT_EQ(p.failed.size(), 3); // servers 3, 4 and 5
    EXPECT_EQ(exhausted.size(), 1);
    EXPECT_EQ(p.cat.serverIndex, 5);
    p.lib.setFaults({});
    p.pollOnce(); // a new round starts at the chosen server
    EXPECT_EQ(recovered.size(), 1);
    EXPECT_EQ(recovered[0][0].toInt(), 1);
    EXPECT_EQ(p.cat.serverIndex, 1);
    p.pollOnce();
    EXPECT_EQ(recovered.size(), 1);

    // A cut answer, or a change file of more than 1 MB, is a failed request, not a list to act on.
    p.lib.setFaults({"/kq/Changer0.dat truncate=5"});
    p.pollOnce();
    p.lib.setFaults({});
    QString error;
    ASSERT_TRUE(library::writeChangeFile(p.lib.root(), 0, {p.cat.changeBatch, 2, "t", QByteArray(2 << 20, '1')}, &error));
    p.failed.clear();
    p.pollOnce();
    EXPECT_GE(p.failed.size(), 1);
    EXPECT_TRUE(p.merges.isEmpty() && p.reloads.isEmpty());
}
