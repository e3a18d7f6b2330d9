// The session without a window, against the library server, driven as the window drives it: what is
// announced when (a poll's reload overtaken by a load the user asked for: soak_tests), what reaches the
// save folder, the refresh limit, and what the user is told.
#include "core/catalogue/records.h"
#include "library_files.h"
#include "session_harness.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

library::InitOptions small() { return {2, 30, 1}; }

QByteArray fileNameOf(const LibrarySession &s, int category, qsizetype k)
{
    return PictureRecord::parse(s.catalogue().items(category).at(k)).fileName.toByteArray();
}

bool listsShow(LatestListModel &model, const QByteArray &fileName)
{
    int n = 0;
    for (const LatestRow &row : model.rows())
        n += row.fileName == fileName;
    return n == 1;
}

void logIn(SessionHarness &h, const QList<QByteArray> &picks)
{
    QString error;
    SelectionStore store(h.documents() + "/MySelect.ini");
    ASSERT_TRUE(store.registerUser("u", "p", &error));
    Catalogue picked;
    picked.reset(QList<CategoryEntry>(h.session->catalogue().count()));
    picked.categories[0].selection = picks;
    ASSERT_TRUE(store.saveSelection("u", picked, &error));
    h.session->logIn("u", "p");
    h.settle();
}

} // namespace

// Two pictures inside one poll interval move the serial by two: no change list can be merged, the
// reload brings them, and each is announced and downloaded once. A library published anew is one
// chime and a word, not dozens of downloads.
TEST(NeverMissed, PicturesOfASkippedSerialOrANewBatchAreAnnouncedOnceAndARepublishedLibraryIsOneChime)
{
    SessionHarness h(small());
    LibrarySession &s = h.start();
    s.options().setFlag(UserOptions::AutoQueue, true);
    const QByteArray updated = fileNameOf(s, 0, 12);
    h.publish(0, updated, g("改名"));
    h.publish(0, "NEW01");
    h.poll();
    EXPECT_EQ(h.announced, (QStringList{QString::fromLatin1(updated) + "  改名", "NEW01  新图"}));
    EXPECT_EQ(h.sound.plays, 2);
    EXPECT_TRUE(listsShow(s.latestList(), updated) && listsShow(s.latestList(), "NEW01"));
    EXPECT_TRUE(listsShow(s.fileList(), updated) && listsShow(s.fileList(), "NEW01"));
    EXPECT_TRUE(s.latestList().row(0).isMarked() && s.latestList().row(1).isMarked()); // queued: taken
    ASSERT_TRUE(waitUntil([&] { return s.downloads().model().rowCount() == 0; }));
    EXPECT_EQ(readAll(h.savedPath(0, updated)), h.servedPicture(0, updated));
    h.poll(); // nothing new
    EXPECT_EQ(h.announced.size(), 2);

    // A new batch that only withdrew a picture: the reload is heard, nothing is announced.
    QString error;
    ASSERT_TRUE(library::newBatch(h.lib.root(), &error));
    ASSERT_TRUE(library::withdrawPicture(h.lib.root(), 0, "NEW01", &error));
    h.poll();
    EXPECT_TRUE(s.catalogue().items(0).at(30).endsWith("|-1"));
    EXPECT_EQ(h.announced.size(), 2);
    EXPECT_EQ(h.sound.plays, 3);

    // 47 new pictures at once are a republished library.
    for (int i = 0; i < LibrarySession::kRepublishedCount + 1; ++i)
        h.publish(0, "R" + QByteArray::number(100 + i));
    h.poll();
    EXPECT_EQ(h.announced.size(), 2);
    EXPECT_EQ(h.sound.plays, 4);
    EXPECT_EQ(s.updateStatus(), "图库已重新发布：47张图纸有更新，未逐张提醒");
    EXPECT_EQ(s.downloads().model().rowCount(), 0);
    EXPECT_EQ(s.catalogue().items(0).size(), 31 + 47);

    // So is one change list naming 47 pictures: merged and listed, heard once, nothing queued.
    library::CategoryFiles files;
    ASSERT_TRUE(library::readCategory(h.lib.root(), 0, &files, &error));
    QList<QByteArray> ids;
    for (int k = 10; k < 10 + 47; ++k)
        ids << QByteArray::number(k);
    files.change = {files.change.batch, files.change.serial + 1, "2026-12-08 08:00", ids.join(',')};
    ASSERT_TRUE(library::writeChangeFile(h.lib.root(), 0, files.change, &error));
    h.poll();
    EXPECT_TRUE(s.catalogue().items(0).at(56).endsWith("|2026-12-08 08:00"));
    EXPECT_EQ(s.latestList().row(0).tag, "56");
    EXPECT_EQ(h.sound.plays, 5);
    EXPECT_EQ(h.announced.size(), 2);
    EXPECT_EQ(s.updateStatus(), "图库已重新发布：47张图纸有更新，未逐张提醒");
    EXPECT_EQ(s.downloads().model().rowCount(), 0);
}

// Loads nobody's poll asked for announce nothing; in the personal zone only picks are announced.
TEST(NeverMissed, StartUpAndCategoryClicksAnnounceNothingAndTheZoneOnlyItsPicks)
{
    SessionHarness h(small());
    h.publish(0, "OLD01");
    LibrarySession &s = h.start();
    h.publish(1, "NEW11");
    s.switchCategory(1);
    h.settle();
    s.switchCategory(0);
    h.settle();
    EXPECT_TRUE(h.announced.isEmpty());
    EXPECT_EQ(h.sound.plays, 0);

    const QByteArray picked = fileNameOf(s, 0, 3), other = fileNameOf(s, 0, 4);
    logIn(h, {picked});
    h.publish(0, picked, g("新名"));
    h.publish(0, other, g("新名"));
    h.poll();
    EXPECT_EQ(h.announced, QStringList{QString::fromLatin1(picked) + "  新名"});
}

// "立即刷新" works once in 15 seconds counted from the end of its reload, whichever page asks.
TEST(RefreshLimit, FifteenSecondsFromTheEndOfTheReload)
{
    SessionHarness h(small());
    LibrarySession &s = h.start();
    h.setFaults({"/kq/Page0.dat delay=1500"});
    QSignalSpy loads(&s, &LibrarySession::loadStarted);
    EXPECT_TRUE(s.refresh());
    EXPECT_FALSE(s.refresh()); // blocked while it loads too
    h.settle();
    EXPECT_TRUE(s.refreshLimitTimer().isActive());
    EXPECT_EQ(s.refreshLimitTimer().interval(), 15000);
    EXPECT_GT(s.refreshLimitTimer().remainingTime(), 14000);
    EXPECT_FALSE(s.refresh());
    EXPECT_EQ(loads.size(), 1);
    EXPECT_EQ(h.prompts.shown, QStringList(2, "message: 为了防止恶意刷新，每15秒只允许手动刷新一次！"));
    s.refreshLimitTimer().stop(); // its 15 seconds are over
    EXPECT_TRUE(s.refresh());
    EXPECT_EQ(loads.size(), 2);
}

// What the user asked for happens, and what could not be done is said.
TEST(LibrarySession, QueuedPicturesOpenWhenAskedAndStoresThatCannotBeWrittenAreReported)
{
    SessionHarness h(small());
    QFile dataBlocker(h.appData()); // a file where the data folder would be: the queue cannot be kept
    ASSERT_TRUE(dataBlocker.open(QIODevice::WriteOnly));
    dataBlocker.close();
    LibrarySession &s = h.start();
    s.options().setFlag(UserOptions::AutoQueue, true);
    s.options().setFlag(UserOptions::AutoOpen, true);
    h.setFaults({"/kq/pic0/* delay=200"}); // each picture is still in the queue when the list is kept
    const QByteArray name = fileNameOf(s, 0, 12);
    h.publish(0, name);
    h.poll();
    ASSERT_TRUE(waitUntil([&] { return !h.shell.opened.isEmpty(); }));
    EXPECT_EQ(h.shell.opened, QStringList{h.savedPath(0, name)});
    h.publish(0, fileNameOf(s, 0, 13));
    h.poll();
    ASSERT_TRUE(waitUntil([&] { return h.shell.opened.size() == 2; }));
    ASSERT_EQ(h.prompts.shown.size(), 1); // said once, however often the queue changed
    EXPECT_TRUE(h.prompts.shown[0].startsWith("message: 下载队列无法保存到 " + h.appData() + "/queue.json（"));
    h.prompts.shown.clear();

    // The documents folder is a file: the picks cannot be kept, and the user hears why.
    QDir(h.documents()).removeRecursively();
    QFile blocker(h.documents());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    s.logIn("u", "p");
    h.settle();
    ASSERT_EQ(s.zone().state, PersonalZone::State::Editing);
    s.toggleTick(3);
    s.submitSelection();
    h.settle();
    ASSERT_EQ(h.prompts.shown.size(), 1);
    EXPECT_TRUE(h.prompts.shown[0].startsWith("message: 无法保存自选内容到 " + h.documents() + "/MySelect.ini"));
    EXPECT_EQ(s.catalogue().categories[0].selection, QList<QByteArray>{fileNameOf(s, 0, 3)});
}
