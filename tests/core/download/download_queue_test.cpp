// The download queue against the library server: order, what an entry remembers, failures kept with
// their reason, transfers continued where they broke, and a queue that outlives the program.
#include "core/catalogue/catalogue.h"
#include "core/download/download_queue.h"
#include "library_files.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
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
    QTemporaryDir save;
    QTemporaryDir data;
    Catalogue cat;
    QueueSettings settings;
    std::unique_ptr<DownloadQueue> queue;
    QSignalSpy *started = nullptr;

    Queue()
    {
        cat.servers = lib.table();
        QList<library::Category> cats;
        QByteArray release;
        QString error;
        library::readConfig(lib.root(), &cats, &release, &error);
        cat.reset({{cats[0].name, cats[0].folder, cats[0].ext}, {cats[1].name, cats[1].folder, cats[1].ext}});
        settings.savePath = save.path();
        make();
    }
    ~Queue() { delete started; }
    void make()
    {
        delete started;
        queue = std::make_unique<DownloadQueue>(cat, [this] { return settings; });
        queue->setRetryPause(20);
        started = new QSignalSpy(queue.get(), &DownloadQueue::started);
    }
    void fault(const QStringList &specs)
    {
        std::vector<library::FaultRule> rules;
        for (const QString &s : specs)
            rules.push_back(*library::FaultRule::parse(s, nullptr));
        lib.server().setFaults(rules);
    }
    QueueEntry entry(int category, const QByteArray &file) const
    {
        const CategoryEntry &c = cat.categories[size_t(category)].entry;
        QueueEntry e;
        e.fileName = file;
        e.chineseName = "n";
        e.category = category;
        e.folder = c.folder;
        e.extension = c.extension;
        return e;
    }
    // The speed-test file stands in for a large picture: a million bytes in "kq".
    QueueEntry bigEntry() const
    {
        QueueEntry e;
        e.fileName = "tsspeed";
        e.category = 0;
        e.folder = "kq";
        e.extension = ".dat";
        return e;
    }
    QString served(int category, const QByteArray &file) const
    {
        const CategoryEntry &c = cat.categories[size_t(category)].entry;
        return library::picturePath(lib.root(), {{}, c.folder, c.extension}, file);
    }
    bool settled(int ms = 20000)
    {
        return waitUntil([this] { return !queue->isBusy() && !queue->timer().isActive(); }, ms);
    }
    QStringList visibleFiles() const { return QDir(save.path()).entryList(QDir::Files); }
    QStringList allFiles() const { return QDir(save.path()).entryList(QDir::Files | QDir::Hidden); }
    QStringList partFiles() const { return allFiles().filter(".part"); }
    // A list as an earlier run left it: each entry with the "partial" path given.
    QString writeStore(const QList<std::tuple<QueueEntry, QString, bool>> &entries) const
    {
        const auto hex = [](const QByteArray &b) { return QString::fromLatin1(b.toHex()); };
        QJsonArray list;
        for (const auto &[e, partial, failed] : entries)
            list.append(QJsonObject{{"file", hex(e.fileName)}, {"chinese", hex(e.chineseName)}, {"category", e.category},
                                    {"folder", hex(e.folder)}, {"extension", hex(e.extension)}, {"failed", failed},
                                    {"reason", failed ? "gone" : ""}, {"partial", partial}, {"ifRange", ""}});
        const QString path = data.filePath("queue.json");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(QJsonDocument(QJsonObject{{"queue", list}}).toJson());
        return path;
    }
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

} // namespace

TEST(DownloadQueue, OneAtATimeInOrderEachFromTheCategoryItWasQueuedIn)
{
    Queue q;
    QSignalSpy idle(q.queue.get(), &DownloadQueue::idle);
    q.queue->enqueue(q.entry(0, "A1001"));
    q.queue->enqueue(q.entry(1, "B1002"));
    q.cat.current = 1; // the user moved on to another category meanwhile
    q.queue->enqueue(q.entry(0, "A1003"));
    ASSERT_TRUE(q.settled());
    ASSERT_EQ(q.started->size(), 3);
    EXPECT_EQ(q.started->at(0).at(0).toByteArray(), "A1001  n");
    EXPECT_EQ(q.started->at(2).at(0).toByteArray(), "A1003  n");
    const QStringList pictures = q.lib.server().log().filter("/pic");
    ASSERT_EQ(pictures.size(), 3);
    EXPECT_TRUE(pictures[2].contains("/kq/pic0/A1003")) << pictures[2].toStdString();
    for (const char *file : {"A1001", "A1003"})
        EXPECT_EQ(readAll(q.save.filePath(QString(file) + ".jpg")), readAll(q.served(0, file))) << file;
    EXPECT_EQ(readAll(q.save.filePath("B1002.png")), readAll(q.served(1, "B1002")));
    EXPECT_EQ(q.queue->model().rowCount(), 0);
    EXPECT_EQ(idle.size(), 1);

    // "中文名下载": the file name and the Chinese name run together.
    q.settings.chineseNames = true;
    q.queue->enqueue(q.entry(0, "A1004"));
    ASSERT_TRUE(q.settled());
    EXPECT_TRUE(QFileInfo::exists(q.save.filePath("A1004n.jpg")));
}

// An entry that keeps failing gets three tries, then stays with its reason while the queue moves on;
// each retry gives it three fresh tries.
TEST(DownloadQueue, AFailingEntryGetsThreeTriesPerRetryAndTheQueueMovesOnMeanwhile)
{
    Queue q;
    q.fault({"/kq/pic0/A1001.jpg status=503"});
    q.queue->enqueue(q.entry(0, "A1001"));
    q.queue->enqueue(q.entry(0, "A1002"));
    for (int round = 1; round <= 2; ++round) {
        ASSERT_TRUE(q.settled());
        EXPECT_EQ(q.lib.server().log().filter("A1001").size(), 3 * round) << "round " << round;
        ASSERT_EQ(q.queue->model().rowCount(), 1);
        EXPECT_EQ(q.queue->model().entries()[0].state, QueueEntry::State::Failed);
        EXPECT_EQ(q.queue->model().entries()[0].reason, QStringLiteral("服务器答复 503"));
        EXPECT_TRUE(q.queue->model().index(0).data().toString().contains("服务器答复 503"));
        EXPECT_EQ(q.visibleFiles(), QStringList{"A1002.jpg"}); // nothing shown as downloaded that is not
        q.queue->retry(0);
    }
    q.lib.server().clearFaults();
    ASSERT_TRUE(q.settled());
    EXPECT_EQ(q.lib.server().log().filter("A1001").size(), 7);
    EXPECT_EQ(q.queue->model().rowCount(), 0);
    EXPECT_EQ(readAll(q.save.filePath("A1001.jpg")), readAll(q.served(0, "A1001")));
}

TEST(DownloadQueue, APartFileStaysOnlyWhileItsEntryMayContinueIt)
{
    Queue q;
    // Nothing arrived: nothing is kept to continue from.
    for (const char *fault : {"drop", "status=404"}) {
        q.fault({QStringLiteral("/kq/pic0/A1001.jpg ") + fault});
        q.queue->enqueue(q.entry(0, "A1001"));
        ASSERT_TRUE(q.settled());
        EXPECT_EQ(q.queue->model().entries().last().state, QueueEntry::State::Failed) << fault;
        EXPECT_EQ(q.allFiles(), QStringList()) << fault;
    }
    while (q.queue->model().rowCount() > 0)
        q.queue->remove(0);

    // Bytes a retry may continue stay while their entry waits, even queued twice, and go with the last of it.
    q.fault({"/kq/tsspeed.dat truncate=300000"});
    q.queue->enqueue(q.bigEntry());
    q.queue->enqueue(q.bigEntry());
    ASSERT_TRUE(q.settled());
    ASSERT_EQ(q.partFiles().size(), 1);
    EXPECT_EQ(QFileInfo(q.save.filePath(q.partFiles()[0])).size(), 300000);
    q.queue->remove(0);
    EXPECT_EQ(q.partFiles().size(), 1);
    q.queue->remove(0);
    EXPECT_EQ(q.allFiles(), QStringList());

    // Removed in the middle of its transfer.
    q.fault({"/kq/tsspeed.dat drip=20"});
    q.queue->enqueue(q.bigEntry());
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(q.queue->model().entries()[0].partialPath).size() >= 1024; }));
    q.queue->remove(0);
    ASSERT_TRUE(q.settled());
    EXPECT_EQ(q.allFiles(), QStringList());

    // After a restart, a failed entry that has not run since: its own part goes, not what the list named.
    q.queue.reset();
    const QString named = q.save.filePath("holiday.jpg");
    writeFile(named, "mine");
    writeFile(q.save.filePath(partialFileName("A1002.jpg")), QByteArray(1000, 'p'));
    const QString store = q.writeStore({{q.entry(0, "A1002"), named, true}});
    q.make();
    q.queue->restoreFrom(store);
    ASSERT_EQ(q.queue->model().rowCount(), 1);
    q.queue->remove(0);
    EXPECT_EQ(q.allFiles(), QStringList{"holiday.jpg"});
    EXPECT_EQ(readAll(named), "mine");
}

TEST(DownloadQueue, NoPathReadBackFromTheListIsUsed)
{
    Queue q;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir(elsewhere.path()).mkdir("cwd"));
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(elsewhere.filePath("cwd"));
    const QList<std::pair<QString, QString>> victims{
        {q.data.filePath("outside.txt"), q.data.filePath("outside.txt")}, // outside the save folder
        {q.save.filePath("holiday.jpg"), q.save.filePath("holiday.jpg")}, // another file inside it
        {q.save.filePath(partialFileName("B9999.jpg")), q.save.filePath(partialFileName("B9999.jpg"))}, // another's part
        {"relative.txt", elsewhere.filePath("cwd/relative.txt")},
        {"../up.txt", elsewhere.filePath("up.txt")},
        {elsewhere.filePath("cwd/../dotdot.txt"), elsewhere.filePath("dotdot.txt")}};
    QList<std::tuple<QueueEntry, QString, bool>> stored;
    for (qsizetype i = 0; i < victims.size(); ++i) {
        writeFile(victims[i].second, "victim " + QByteArray::number(i));
        stored.append({q.entry(0, "A100" + QByteArray::number(i + 1)), victims[i].first, false});
    }
    q.queue->restoreFrom(q.writeStore(stored));
    const bool settled = q.settled();
    QDir::setCurrent(oldCurrent);
    ASSERT_TRUE(settled);
    EXPECT_EQ(q.queue->model().rowCount(), 0);
    for (qsizetype i = 0; i < victims.size(); ++i) {
        EXPECT_EQ(readAll(victims[i].second), "victim " + QByteArray::number(i)) << victims[i].first.toStdString();
        const QString picture = "A100" + QString::number(i + 1);
        EXPECT_EQ(readAll(q.save.filePath(picture + ".jpg")), readAll(q.served(0, picture.toLatin1()))) << picture.toStdString();
    }
}

TEST(DownloadQueue, AListThatCannotBeKeptIsReportedOncePerSpell)
{
    Queue q;
    const QString blocker = q.data.filePath("data");
    writeFile(blocker, "a file where the data folder should be"); // stops root as well as anyone
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
    ASSERT_TRUE(QFile::remove(blocker));
    ASSERT_TRUE(QDir().mkdir(blocker));
    ASSERT_TRUE(download());
    EXPECT_TRUE(QFileInfo::exists(store));
    EXPECT_EQ(failed.size(), 1);
    ASSERT_TRUE(QDir(blocker).removeRecursively());
    writeFile(blocker, "again");
    ASSERT_TRUE(download());
    EXPECT_EQ(failed.size(), 2);
}

TEST(DownloadQueue, ACutTransferContinuesWhereItStoppedOrStartsOverForAnotherVersion)
{
    Queue q;
    const QString target = q.save.filePath("tsspeed.dat");
    q.fault({"/kq/tsspeed.dat truncate=300000"});
    q.queue->enqueue(q.bigEntry());
    ASSERT_TRUE(q.settled());
    ASSERT_EQ(q.queue->model().entries()[0].state, QueueEntry::State::Failed);
    EXPECT_TRUE(q.visibleFiles().isEmpty()); // only the hidden part is there
    const QString partial = q.queue->model().entries()[0].partialPath;
    EXPECT_EQ(QFileInfo(partial).size(), 300000);
    EXPECT_TRUE(QFileInfo(partial).fileName().startsWith('.'));

    q.lib.server().clearFaults();
    q.lib.server().clearLog();
    q.queue->retry(0);
    ASSERT_TRUE(q.settled());
    EXPECT_EQ(q.lib.server().log(), QStringList{"GET /kq/tsspeed.dat 206 127.0.0.1"});
    EXPECT_EQ(readAll(target), readAll(q.lib.root() + "/kq/tsspeed.dat"));
    EXPECT_EQ(q.allFiles(), QStringList{"tsspeed.dat"});

    // The file changed on the server after the cut: the rest of the old one would not fit.
    q.fault({"/kq/tsspeed.dat truncate=1000"});
    q.queue->enqueue(q.bigEntry());
    ASSERT_TRUE(q.settled());
    QFile changed(q.lib.root() + "/kq/tsspeed.dat");
    ASSERT_TRUE(changed.open(QIODevice::WriteOnly));
    changed.write(QByteArray(5000, 'z'));
    changed.close();
    q.lib.server().clearFaults();
    q.queue->retry(0);
    ASSERT_TRUE(q.settled());
    EXPECT_EQ(readAll(target), QByteArray(5000, 'z'));

    // The program ends in the middle of a transfer: the next start goes on from the bytes it has.
    const QString store = q.data.filePath("queue.json");
    q.queue->restoreFrom(store);
    QFile::remove(target);
    q.fault({"/kq/tsspeed.dat drip=20"});
    q.queue->enqueue(q.bigEntry());
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(q.queue->model().entries()[0].partialPath).size() >= 1024; }));
    QTest::qWait(100); // the list is written a moment after it changes
    q.queue.reset();
    q.lib.server().clearFaults();
    q.lib.server().clearLog();
    q.make();
    q.queue->restoreFrom(store);
    ASSERT_TRUE(q.settled());
    EXPECT_EQ(q.lib.server().log(), QStringList{"GET /kq/tsspeed.dat 206 127.0.0.1"});
    EXPECT_EQ(readAll(target), QByteArray(5000, 'z'));
}

TEST(DownloadQueue, BadFoldersFailClearlyAndLongNamesAreShortened)
{
    Queue q;
    q.settings.savePath = q.save.filePath("gone");
    q.queue->enqueue(q.entry(0, "A1001"));
    ASSERT_TRUE(q.settled());
    EXPECT_EQ(q.queue->model().entries()[0].reason, "保存目录不存在: " + q.save.filePath("gone"));
    EXPECT_FALSE(QFileInfo::exists(q.save.filePath("gone")));

    QFile file(q.save.filePath("plain"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    q.settings.savePath = file.fileName();
    q.queue->enqueue(q.entry(0, "A1001"));
    ASSERT_TRUE(q.settled());
    EXPECT_TRUE(q.queue->model().entries()[1].reason.startsWith("保存位置不是文件夹"));

    // A write that cannot happen (here: a folder where the hidden part would go) fails the entry and
    // leaves no part behind.
    q.settings.savePath = q.save.path();
    ASSERT_TRUE(QDir(q.save.path()).mkdir(partialFileName("A1002.jpg")));
    q.queue->enqueue(q.entry(0, "A1002"));
    ASSERT_TRUE(q.settled());
    EXPECT_TRUE(q.queue->model().entries()[2].reason.startsWith("无法写入文件")) << q.queue->model().entries()[2].reason.toStdString();
    EXPECT_FALSE(QFileInfo::exists(q.save.filePath("A1002.jpg")));

    // A Chinese name long enough to fill the file system's limit still arrives, its name shortened.
    q.settings.chineseNames = true;
    QueueEntry longName = q.entry(0, "A1003");
    longName.chineseName = g(QString(120, QChar(0x56FE)).toUtf8()); // 图 × 120: 360 bytes in UTF-8
    q.queue->enqueue(longName);
    ASSERT_TRUE(q.settled());
    const QStringList arrived = QDir(q.save.path()).entryList({"A1003*"}, QDir::Files);
    ASSERT_EQ(arrived.size(), 1) << q.queue->model().entries().last().reason.toStdString();
    EXPECT_LE(arrived[0].toUtf8().size(), 248);
    EXPECT_EQ(readAll(q.save.filePath(arrived[0])), readAll(q.served(0, "A1003")));
}

TEST(DownloadQueue, TheQueueOutlivesTheProgramInOrderAndGoesOn)
{
    Queue q;
    const QString store = q.data.filePath("queue.json");
    q.queue->restoreFrom(store);
    q.fault({"/kq/pic0/A1001.jpg status=500", "/kq/pic0/* hang"});
    q.queue->enqueue(q.entry(0, "A1001"));
    ASSERT_TRUE(waitUntil([&] { return q.queue->model().entries()[0].state == QueueEntry::State::Failed; }));
    q.queue->enqueue(q.entry(0, "A1002"));
    q.queue->enqueue(q.entry(1, "B1003"));
    ASSERT_TRUE(waitUntil([&] { return q.queue->isBusy(); }));
    QTest::qWait(100); // the list is written a moment after it changes
    q.queue.reset();   // the program ends (or is killed) while A1002 hangs
    q.lib.server().clearFaults();

    q.make();
    q.queue->restoreFrom(store);
    ASSERT_EQ(q.queue->model().rowCount(), 3);
    EXPECT_EQ(q.queue->model().entries()[0].state, QueueEntry::State::Failed);
    EXPECT_EQ(q.queue->model().entries()[2].category, 1);
    ASSERT_TRUE(q.settled());
    EXPECT_EQ(q.started->size(), 2);
    EXPECT_EQ(q.started->at(0).at(0).toByteArray(), "A1002  n");
    EXPECT_EQ(readAll(q.save.filePath("B1003.png")), readAll(q.served(1, "B1003")));
    EXPECT_EQ(q.queue->model().rowCount(), 1); // the failed one waits for the user
}
