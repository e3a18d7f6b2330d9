// The poll's decision table, and the poll against a real server: one at a time, answers for another
// category dropped, quiet failover, and changes whose file times lag.
#include "core/catalogue/catalogue.h"
#include "core/catalogue/category_loader.h"
#include "core/catalogue/change_poll.h"
#include "core/catalogue/records.h"
#include "library_files.h"
#include "library_ops.h"
#include "test_support.h"

#include <QDateTime>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

TEST(DecidePoll, FollowsTheTableRowByRow)
{
    Catalogue cat;
    cat.reset({{"c", "f", ".jpg"}});
    QList<QByteArray> records;
    for (int k = 0; k < 20; ++k)
        records << QByteArray::number(k) + "\tf|n|t";
    cat.categories[0].items = RecordList::fromList(records);
    cat.categories[0].serial = 7;
    cat.changeBatch = "B1";
    const struct
    {
        QList<QByteArray> lines;
        PollAction action;
    } rows[] = {
        {{"B1", "8", "t"}, PollAction::Nothing},                 // fewer than three lines is the file
        {{"B1", "8"}, PollAction::Nothing},                      // ... with only two
        {{"B1", "7", "t", "12,-5"}, PollAction::Nothing},        // the serial held
        {{"B2", "7", "t", "12"}, PollAction::Nothing},           // another batch, the same serial
        {{"B1", "8", "t", "12,-5"}, PollAction::Merge},          // the next list
        {{"B1", "8", "t", " -0 , 3 "}, PollAction::Merge},
        {{"B1", "8", "t", "5"}, PollAction::Nothing},            // fewer than two characters
        {{"B1", "8", "t", " 5 "}, PollAction::Nothing},
        {{"B1", "8", "t", "12,25"}, PollAction::Reload},          // record 25 is not held yet
        {{"B1", "8", "t", "12,x,,"}, PollAction::Merge},          // not numbers: skipped later
        {{"B1", "6", "t", "12"}, PollAction::Nothing},           // older
        {{"B1", "10", "t", "12"}, PollAction::Reload},           // serials skipped
        {{"B2", "8", "t", "12"}, PollAction::Reload},            // another batch
        {{"B2", "6", "t", "12"}, PollAction::Reload},            // another batch, even with a lower serial
        {{"B1", "eight", "t", "12"}, PollAction::Nothing},       // no number
        {{}, PollAction::Nothing},
    };
    for (const auto &r : rows)
        EXPECT_EQ(decidePoll(cat, 0, r.lines), r.action) << r.lines.join('/').constData();
}

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
    QSignalSpy exhausted{&poller, &ChangePoller::allServersFailed};
    QSignalSpy recovered{&poller, &ChangePoller::recovered};

    Polling()
    {
        cat.servers = lib.table();
        cat.reset({{"a", "kq/pic0", ".jpg"}, {"b", "kq/pic1", ".png"}});
        QSignalSpy done(&loader, &CategoryLoader::finished);
        loader.load(0);
        done.wait(10000);
    }
    void fault(const QString &spec) { lib.server().setFaults({*library::FaultRule::parse(spec, nullptr)}); }
    // Runs one poll to its end.
    void pollOnce()
    {
        poller.poll();
        waitUntil([this] { return !poller.isPolling(); }, 20000);
    }
    // Gives the category's change file this modification time.
    void stamp(int category, const QDateTime &when)
    {
        QFile f(library::changerPath(lib.root(), category));
        f.open(QIODevice::ReadWrite);
        f.setFileTime(when, QFileDevice::FileModificationTime);
    }
};

} // namespace

TEST(ChangePoller, MergesTheNextListAndReloadsWhatCannotBeMerged)
{
    Polling p;
    QString error;
    const QByteArray name = PictureRecord::parse(p.cat.items(0).at(12)).fileName.toByteArray();
    ASSERT_TRUE(library::publishPicture(p.lib.root(), 0, name, g("新名"), "2026-12-07 10:00", &error));
    p.pollOnce();
    ASSERT_EQ(p.merges.size(), 1);
    EXPECT_EQ(p.cat.categories[0].serial, 2);
    EXPECT_EQ(p.cat.categories[0].updateTime, "2026-12-07 10:00");
    EXPECT_EQ(p.merges[0][1].value<QList<QByteArray>>(), QList<QByteArray>{"12"});
    p.pollOnce(); // the same file again: nothing
    EXPECT_EQ(p.merges.size(), 1);
    EXPECT_TRUE(p.reloads.isEmpty());

    // A picture appended (beyond the records held), then a new batch: the category is reloaded.
    ASSERT_TRUE(library::publishPicture(p.lib.root(), 0, "NEW1", g("新图"), "2026-12-07 10:05", &error));
    p.pollOnce();
    EXPECT_EQ(p.reloads.size(), 1);
    ASSERT_TRUE(library::newBatch(p.lib.root(), &error));
    p.pollOnce();
    EXPECT_EQ(p.reloads.size(), 2);
    EXPECT_EQ(p.merges.size(), 1);
}

TEST(ChangePoller, AChangeWhoseFileTimeLagsIsNotMissed)
{
    // An upload that keeps file times (or a share whose clock lags) gives two changes of the same size
    // the same older file time: a server judging by time and size calls the second "not modified".
    Polling p;
    QString error;
    const QDateTime past = QDateTime::currentDateTime().addSecs(-100);
    p.lib.server().clearLog();
    for (int k : {12, 13}) {
        const QByteArray name = PictureRecord::parse(p.cat.items(0).at(k)).fileName.toByteArray();
        ASSERT_TRUE(library::publishPicture(p.lib.root(), 0, name, g("新名"), "2026-12-07 10:00", &error));
        p.stamp(0, past);
        p.pollOnce();
    }
    ASSERT_EQ(p.merges.size(), 2);
    EXPECT_EQ(p.merges[1][1].value<QList<QByteArray>>(), QList<QByteArray>{"13"});
    EXPECT_EQ(p.lib.server().log().filter(" 200 ").size(), 2);
}

TEST(ChangePoller, OnePollAtATimeAndNoneForACategoryNoLongerShown)
{
    Polling p;
    QString error;
    const QByteArray name = PictureRecord::parse(p.cat.items(0).at(12)).fileName.toByteArray();
    ASSERT_TRUE(library::publishPicture(p.lib.root(), 0, name, "x", "", &error));
    p.fault("/kq/Changer0.dat delay=300");
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
    p.cat.servers.urls[4] = p.cat.servers.urls[5] = deadUrl();
    p.cat.serverIndex = 3;
    p.fault("/kq/Changer0.dat status=500");
    p.poller.setChosenServer([] { return 1; });
    p.pollOnce();
    EXPECT_EQ(p.failed.size(), 3); // servers 3, 4 and 5
    EXPECT_EQ(p.exhausted.size(), 1);
    EXPECT_EQ(p.cat.serverIndex, 5);
    p.lib.server().clearFaults();
    p.pollOnce(); // a new round starts at the chosen server
    EXPECT_EQ(p.recovered.size(), 1);
    EXPECT_EQ(p.recovered[0][0].toInt(), 1);
    EXPECT_EQ(p.cat.serverIndex, 1);
    p.pollOnce();
    EXPECT_EQ(p.recovered.size(), 1);
    p.fault("/kq/Changer0.dat truncate=5");
    p.pollOnce();
    EXPECT_TRUE(p.merges.isEmpty() && p.reloads.isEmpty());

    // A change file of more than 1 MB is a failed request, not a list to merge.
    p.lib.server().clearFaults();
    library::ChangeFile huge{p.cat.changeBatch, 2, "t", QByteArray(2 << 20, '1')};
    QString error;
    ASSERT_TRUE(library::writeChangeFile(p.lib.root(), 0, huge, &error));
    p.failed.clear();
    p.pollOnce();
    EXPECT_GE(p.failed.size(), 1);
    EXPECT_TRUE(p.merges.isEmpty() && p.reloads.isEmpty());
}
