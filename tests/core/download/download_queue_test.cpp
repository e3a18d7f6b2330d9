// The download queue against the library server: order, failures kept with their reason, transfers
// continued where they broke, part files, and a queue that outlives the program.
#include "core/catalogue/catalogue.h"
#include "core/download/download_queue.h"
#include "test_support.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

struct Queue
{
    ServedLibrary lib{{2, 12, 1}};
    QTemporaryDir save, data;
    Catalogue cat;
    QueueSettings settings;
    std::unique_ptr<DownloadQueue> queue;

    Queue()
    {
        cat.servers = lib.table();
        cat.reset({{"a", "kq/pic0", ".jpg"}, {"b", "kq/pic1", ".png"}});
        settings.savePath = save.path();
        writeFile(lib.root() + "/kq/pic0/BIG.jpg", QByteArray(1000000, 'b')); // large enough to cut in the middle
        make();
    }
    void make() // a start of the program
    {
        queue = std::make_unique<DownloadQueue>(cat, [this] { return settings; });
        queue->setRetryPause(20);
    }
    QueueEntry entry(int category, const QByteArray &file) const
    {
        QueueEntry e;
        e.fileName = file;
        e.chineseName = "n";
        e.category = category;
        e.folder = cat.categories[size_t(category)].entry.folder;
        e.extension = cat.categories[size_t(category)].entry.extension;
        return e;
    }
    // Whether the entry's picture arrived whole, under its file name unless another is given.
    bool arrived(const QueueEntry &e, const QString &name = {}) const
    {
        return readAll(save.filePath(name.isEmpty() ? e.fileName + e.extension : name)) ==
               readAll(lib.root() + '/' + e.folder + '/' + e.fileName + e.extension);
    }
    bool settled(int ms = 20000)
    {
        return waitUntil([this] { return !queue->isBusy() && !queue->timer().isActive(); }, ms);
    }
    bool partGrew(int row)
    {
        return waitUntil([&] { return QFileInfo(queue->model().entries()[row].partialPath).size() >= 1024; });
    }
    QStringList files() const { return QDir(save.path()).entryList(QDir::Files | QDir::Hidden); }
    QStringList parts() const { return files().filter(".part"); }
    // A list as an older run may have left it, each entry naming a "partial" path of its own.
    QString writeStore(const QList<std::tuple<QueueEntry, QString, bool>> &entries) const
    {
        const auto hex = [](const QByteArray &b) { return QString::fromLatin1(b.toHex()); };
        QJsonArray list;
        for (const auto &[e, partial, failed] : entries)
            list.append(QJsonObject{{"file", hex(e.fileName)}, {"chinese", hex(e.chineseName)}, {"category", e.category},
                                    {"folder", hex(e.folder)}, {"extension", hex(e.extension)}, {"failed", failed},
                                    {"reason", failed ? "gone" : ""}, {"partial", partial}, {"ifRange", ""}});
        const QString path = data.filePath("queue.json");
        return writeFile(path, QJsonDocument(QJsonObject{{"queue", list}}).toJson()) ? path : QString();
    }
};

} // namespace

TEST(DownloadQueue, OneAtATimeInOrderEachFromTheCategoryItWasQueuedInWithoutWaitingForTheTick)
{
    Queue q;
    q.queue->timer().setInterval(3600000); // each picture goes as soon as the queue is free, not on a tick
    QSignalSpy idle(q.queue.get(), &DownloadQueue::idle);
    QSignalSpy started(q.queue.get(), &DownloadQueue::started);
    q.queue->enqueue(q.entry(0, "A1001"));
    q.queue->enqueue(q.entry(1, "B1002"));
    q.cat.current = 1; // the user moved on to another category meanwhile
    q.queue->enqueue(q.entry(0, "A1003"));
    ASSERT_TRUE(q.settled());
    EXPECT_EQ(q.lib.server().log(), (QStringList{"GET /kq/pic0/A1001.jpg 200 127.0.0.1", "GET /kq/pic1/B1002.png 200 127.0.0.1",
                                                 "GET /kq/pic0/A1003.jpg 200 127.0.0.1"}));
    EXPECT_EQ(started[0][0].toByteArray(), "A1001  n");
    EXPECT_TRUE(q.arrived(q.entry(0, "A1001")) && q.arrived(q.entry(0, "A1003")));
    EXPECT_TRUE(q.arrived(q.entry(1, "B1002")));
    EXPECT_EQ(q.queue->model().rowCount(), 0);
    EXPECT_EQ(idle.size(), 1);

    // "中文名下载": the file name and the Chinese name run together.
    q.settings.chineseNames = true;
    q.queue->enqueue(q.entry(0, "A1004"));
    ASSERT_TRUE(q.settled());
    EXPECT_TRUE(q.arrived(q.entry(0, "A1004"), "A1004n.jpg"));
}

// Three tries, then the entry stays with its reason while the queue moves on; each retry gives it three
// fresh tries. A failure where nothing arrived leaves no part behind.
TEST(DownloadQueue, AFailingEntryGetsThreeTriesPerRetryAndTheQueueMovesOnMeanwhile)
{
    Queue q;
    q.lib.setFaults({"/kq/pic0/A1001.jpg status=503"});
    q.queue->enqueue(q.entry(0, "A1001"));
    q.queue->enqueue(q.entry(0, "A1002"));
    ASSERT_TRUE(q.settled());
    EXPECT_EQ(q.lib.server().log().filter("A1001").size(), 3);
    ASSERT_EQ(q.queue->model().rowCount(), 1);
    EXPECT_TRUE(q.queue->model().index(0).data().toString().contains("服务器答复 503"));
    EXPECT_EQ(q.files(), QStringList{"A1002.jpg"}); // nothing shown as downloaded that is not

    q.lib.setFaults({"/kq/pic0/A1001.jpg drop"}); // the answer begins, then the connection is gone
    q.queue->retry(0);
    ASSERT_TRUE(q.settled());
    // Three tries again. Qt itself sends a request once more when the connection closed before any
    // of the answer was read, so a try may reach the server twice.
    const qsizetype afterDrops = q.lib.server().log().filter("A1001").size();
    EXPECT_GE(afterDrops, 6);
    EXPECT_LE(afterDrops, 9);
    EXPECT_EQ(q.queue->model().entries()[0].state, QueueEntry::State::Failed);
    EXPECT_EQ(q.files(), QStringList{"A1002.jpg"});

    q.lib.setFaults({});
    q.queue->retry(0);
    ASSERT_TRUE(q.settled());
    EXPECT_EQ(q.lib.server().log().filter("A1001").size(), afterDrops + 1);
    EXPECT_EQ(q.queue->model().rowCount(), 0);
    EXPECT_TRUE(q.arrived(q.entry(0, "A1001")));
}

// Paths in the list are never used: each entry's part is derived again, and only that is ever removed.
TEST(DownloadQueue, NoPathReadBackFromTheListIsUsed)
{
    Queue q;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir(elsewhere.path()).mkdir("cwd"));
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(elsewhere.filePath("cwd"));
    const QString otherPart = q.save.filePath(partialFileName("B9999.jpg"));
    const QList<std::pair<QString, QString>> victims{// as named in the list, where that lands
                                                     {q.data.filePath("outside.txt"), q.data.filePath("outside.txt")},
                                                     {q.save.filePath("holiday.jpg"), q.save.filePath("holiday.jpg")},
                                                     {otherPart, otherPart},
                                                     {"relative.txt", elsewhere.filePath("cwd/relative.txt")},
                                                     {"../up.txt", elsewhere.filePath("up.txt")},
                                                     {elsewhere.filePath("cwd/../dotdot.txt"), elsewhere.filePath("dotdot.txt")}};
    QList<std::tuple<QueueEntry, QString, bool>> stored;
    for (qsizetype i = 0; i < victims.size(); ++i) {
        ASSERT_TRUE(writeFile(victims[i].second, "victim " + QByteArray::number(i)));
        stored.append({q.entry(0, "A100" + QByteArray::number(i + 1)), victims[i].first, false});
    }
    // A failed entry that has not run since: removing it takes its own part, not what the list named.
    ASSERT_TRUE(writeFile(q.save.filePath(partialFileName("A1009.jpg")), QByteArray(1000, 'p')));
    stored.append({q.entry(0, "A1009"), victims[1].first, true});
    q.queue->restoreFrom(q.writeStore(stored));
    const bool settled = q.settled();
    QDir::setCurrent(oldCurrent);
    ASSERT_TRUE(settled);
    ASSERT_EQ(q.queue->model().rowCount(), 1);
    q.queue->remove(0);
    EXPECT_EQ(q.parts(), QStringList{partialFileName("B9999.jpg")});
    for (qsizetype i = 0; i < victims.size(); ++i) {
        EXPECT_EQ(readAll(victims[i].second), "victim " + QByteArray::number(i)) << victims[i].first.toStdString();
        EXPECT_TRUE(q.arrived(std::get<0>(stored[i]))) << i;
    }
}

TEST(DownloadQueue, AListThatCannotBeKeptIsReportedOncePerSpell)
{
    Queue q;
    const QString blocker = q.data.filePath("data");
    ASSERT_TRUE(writeFile(blocker, "a file where the data folder should be")); // stops root as well as anyone
    const QString store = blocker + "/queue.json";
    q.queue->restoreFrom(store);
    QSignalSpy failed(q.queue.get(), &DownloadQueue::storeFailed);
    int file = 1000;
    const auto download = [&] {
        q.queue->enqueue(q.entry(0, "A" + QByteArray::number(++file)));
        q.queue->enqueue(q.entry(0, "A" + QByteArray::number(++file)));
        return q.settled() && (QTest::qWait(150), true); // the list is written a moment after it changes
    };
    ASSERT_TRUE(download());
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0][0].toString(), store);
    EXPECT_FALSE(failed[0][1].toString().isEmpty());

    // The folder comes good: the list is kept again, and a later failure is told again.
    ASSERT_TRUE(QFile::remove(blocker) && QDir().mkdir(blocker));
    ASSERT_TRUE(download());
    EXPECT_TRUE(QFileInfo::exists(store));
    EXPECT_EQ(failed.size(), 1);
    ASSERT_TRUE(QDir(blocker).removeRecursively() && writeFile(blocker, "again"));
    ASSERT_TRUE(download());
    EXPECT_EQ(failed.size(), 2);

    // A write the disk cuts short leaves the last whole list where it was.
    ASSERT_TRUE(QFile::remove(blocker) && QDir().mkdir(blocker));
    ASSERT_TRUE(download());
    const QByteArray whole = readAll(store);
    q.settings.savePath = q.save.filePath("gone"); // the entries fail at once and stay listed
    withFileSizeLimit(rlim_t(whole.size()) + 100, [&] {
        for (int i = 0; i < 20; ++i)
            q.queue->enqueue(q.entry(0, "A" + QByteArray::number(++file)));
        return q.settled() && (QTest::qWait(150), true);
    });
    EXPECT_EQ(readAll(store), whole);
    EXPECT_EQ(failed.size(), 3);
}

TEST(DownloadQueue, ACutTransferContinuesWhereItStoppedOrStartsOverForAnotherVersion)
{
    Queue q;
    q.lib.setFaults({"/kq/pic0/BIG.jpg truncate=300000"});
    q.queue->enqueue(q.entry(0, "BIG"));
    q.queue->enqueue(q.entry(0, "BIG"));
    ASSERT_TRUE(q.settled());
    ASSERT_EQ(q.queue->model().entries()[0].state, QueueEntry::State::Failed);
    ASSERT_EQ(q.files().size(), 1);
    EXPECT_TRUE(q.files()[0].startsWith('.')); // only the hidden part is there
    EXPECT_EQ(QFileInfo(q.save.filePath(q.files()[0])).size(), 300000);
    q.queue->remove(1); // the same picture queued twice: the bytes stay for the other
    EXPECT_EQ(q.files().size(), 1);

    q.lib.setFaults({});
    q.lib.server().clearLog();
    q.queue->retry(0);
    ASSERT_TRUE(q.settled());
    EXPECT_EQ(q.lib.server().log(), QStringList{"GET /kq/pic0/BIG.jpg 206 127.0.0.1"});
    EXPECT_TRUE(q.arrived(q.entry(0, "BIG")));
    EXPECT_EQ(q.files(), QStringList{"BIG.jpg"});

    // Removed in the middle of its transfer: its part goes with it.
    q.lib.setFaults({"/kq/pic0/BIG.jpg drip=20"});
    q.queue->enqueue(q.entry(0, "BIG"));
    ASSERT_TRUE(q.partGrew(0));
    q.queue->remove(0);
    ASSERT_TRUE(q.settled());
    EXPECT_EQ(q.files(), QStringList{"BIG.jpg"});

    // The file changed on the server after the cut: the rest of the old one would not fit.
    q.lib.setFaults({"/kq/pic0/BIG.jpg truncate=1000"});
    q.queue->enqueue(q.entry(0, "BIG"));
    ASSERT_TRUE(q.settled());
    ASSERT_TRUE(writeFile(q.lib.root() + "/kq/pic0/BIG.jpg", QByteArray(5000, 'z')));
    q.lib.setFaults({});
    q.queue->retry(0);
    ASSERT_TRUE(q.settled());
    EXPECT_EQ(readAll(q.save.filePath("BIG.jpg")), QByteArray(5000, 'z'));
}

// The program ends (or is killed) mid-transfer: the next start takes the list back in order, failed
// entries waiting for the user, and goes on from the bytes it has.
TEST(DownloadQueue, TheQueueOutlivesTheProgramAndGoesOnFromTheBytesItHas)
{
    Queue q;
    const QString store = q.data.filePath("queue.json");
    q.queue->restoreFrom(store);
    q.lib.setFaults({"/kq/pic0/A1001.jpg status=500", "/kq/pic0/BIG.jpg drip=20"});
    q.queue->enqueue(q.entry(0, "A1001"));
    q.queue->enqueue(q.entry(0, "BIG"));
    q.queue->enqueue(q.entry(1, "B1003"));
    ASSERT_TRUE(q.partGrew(1));
    QTest::qWait(150); // the list is written a moment after it changes
    q.queue.reset();
    q.lib.setFaults({});
    q.lib.server().clearLog();

    q.make();
    q.queue->restoreFrom(store);
    ASSERT_EQ(q.queue->model().rowCount(), 3);
    EXPECT_EQ(q.queue->model().entries()[0].state, QueueEntry::State::Failed);
    ASSERT_TRUE(q.settled());
    EXPECT_EQ(q.lib.server().log(), (QStringList{"GET /kq/pic0/BIG.jpg 206 127.0.0.1", "GET /kq/pic1/B1003.png 200 127.0.0.1"}));
    EXPECT_TRUE(q.arrived(q.entry(0, "BIG")) && q.arrived(q.entry(1, "B1003")));
    EXPECT_EQ(q.queue->model().rowCount(), 1);
}

TEST(DownloadQueue, BadFoldersFailClearlyAndLongNamesAreShortened)
{
    Queue q;
    q.settings.savePath = q.save.filePath("gone");
    q.queue->enqueue(q.entry(0, "A1001"));
    ASSERT_TRUE(q.settled());
    EXPECT_EQ(q.queue->model().entries()[0].reason, "保存目录不存在: " + q.save.filePath("gone"));
    EXPECT_FALSE(QFileInfo::exists(q.save.filePath("gone")));

    q.settings.savePath = q.save.filePath("plain");
    ASSERT_TRUE(writeFile(q.settings.savePath, ""));
    q.queue->enqueue(q.entry(0, "A1001"));
    ASSERT_TRUE(q.settled());
    EXPECT_TRUE(q.queue->model().entries()[1].reason.startsWith("保存位置不是文件夹"));

    // A write that cannot happen (a folder where the hidden part would go) fails the entry, leaving no part.
    q.settings.savePath = q.save.path();
    ASSERT_TRUE(QDir(q.save.path()).mkdir(partialFileName("A1002.jpg")));
    q.queue->enqueue(q.entry(0, "A1002"));
    ASSERT_TRUE(q.settled());
    EXPECT_TRUE(q.queue->model().entries()[2].reason.startsWith("无法写入文件")) << q.queue->model().entries()[2].reason.toStdString();
    EXPECT_EQ(q.files(), QStringList{"plain"});

    // A Chinese name long enough to fill the file system's limit still arrives, its name shortened.
    q.settings.chineseNames = true;
    QueueEntry longName = q.entry(0, "A1003");
    longName.chineseName = g(QString(120, QChar(0x56FE)).toUtf8()); // 图 × 120: 360 bytes in UTF-8
    q.queue->enqueue(longName);
    ASSERT_TRUE(q.settled());
    const QStringList arrived = QDir(q.save.path()).entryList({"A1003*"}, QDir::Files);
    ASSERT_EQ(arrived.size(), 1) << q.queue->model().entries().last().reason.toStdString();
    EXPECT_LE(arrived[0].toUtf8().size(), 248);
    EXPECT_TRUE(q.arrived(longName, arrived[0]));
}
