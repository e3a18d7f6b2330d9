// Changes arriving while the window runs, published with the library tool as an operator would: what
// the user sees and hears. Polls are run one at a time rather than waited for every 5 seconds.
#include "gui/app/gui_platform.h"
#include "gui/app/window_status_bar.h"
#include "core/catalogue/records.h"
#include "gui/download/file_page.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/page_bar.h"
#include "gui/gallery/picture_grid.h"
#include "core/gallery/picture_grid_model.h"
#include "library_files.h"
#include "library_ops.h"
#include "gui/server/server_bar.h"
#include "gui/ui/picture_list.h"
#include "window_harness.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

library::InitOptions small() { return {2, 30, 1}; }

QByteArray fileNameOf(MainWindow &w, int k) { return PictureRecord::parse(w.catalogue().items(0).at(k)).fileName.toByteArray(); }

void publish(WindowHarness &h, int category, const QByteArray &file, const QByteArray &time)
{
    QString error;
    ASSERT_TRUE(library::publishPicture(h.lib.root(), category, file, g("新到"), time, &error)) << error.toStdString();
}

QString statusText(MainWindow &w) { return w.windowStatusBar()->panelText(WindowStatusBar::UpdatePanel); }

const LatestRow &topRow(MainWindow &w) { return w.galleryPage()->latestList()->listModel()->row(0); }

} // namespace

TEST(Changes, AnUpdatedPictureIsRewrittenAnnouncedAndHeard)
{
    WindowHarness h(small());
    MainWindow &w = h.start();
    const QByteArray name = fileNameOf(w, 12);
    publish(h, 0, name, "2026-12-07 09:30");
    h.poll();
    const PictureGridModel *grid = w.galleryPage()->pictureGrid()->gridModel();
    EXPECT_TRUE(grid->cell(0, 3).endsWith("|2026-12-07 09:30")); // record 12: column 0, row 3
    EXPECT_EQ(topRow(w).fileName, name);
    EXPECT_EQ(topRow(w).time, "2026-12-07 09:30");
    EXPECT_EQ(w.filePage()->fileList()->listModel()->row(0).fileName, name);
    EXPECT_EQ(statusText(w), "最后更新: 2026-12-07 09:30");
    EXPECT_EQ(h.sound.plays, 1);
    EXPECT_EQ(w.downloads().model().rowCount(), 0);
    saveScreen(&w, "new-picture-on-top");

    h.poll(); // nothing new: nothing happens
    EXPECT_EQ(h.sound.plays, 1);

    // The sound box unticked: silent; a withdrawn picture turns black and leaves the lists unheard.
    w.soundBox()->setChecked(false);
    QString error;
    ASSERT_TRUE(library::withdrawPicture(h.lib.root(), 0, name, &error));
    h.poll();
    EXPECT_TRUE(grid->cell(0, 3).endsWith("|-1"));
    EXPECT_NE(topRow(w).fileName, name);
    EXPECT_EQ(h.sound.plays, 1);
}

TEST(Changes, AppendedPicturesReloadTheCategoryAndArriveOnDiskWhenAsked)
{
    WindowHarness h(small());
    MainWindow &w = h.start();
    w.filePage()->autoQueueBox()->setChecked(true);
    publish(h, 0, "NEW01", "2026-12-07 09:40");
    h.poll();
    EXPECT_EQ(w.catalogue().items(0).size(), 31);
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->recordCount(), 31);
    EXPECT_EQ(topRow(w).fileName, "NEW01");
    EXPECT_EQ(topRow(w).mark, markText()); // queued: already red
    EXPECT_TRUE(w.catalogue().isTaken(0, 30));
    EXPECT_EQ(h.sound.plays, 1);
    // Nobody at the keyboard: the queue fetches it into the save folder.
    const CategoryEntry &cat0 = w.catalogue().categories[0].entry;
    const QString saved = h.desktop() + "/NEW01" + gbk::decode(cat0.extension);
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(saved); }));
    QFile got(saved), served(library::picturePath(h.lib.root(), {{}, cat0.folder, cat0.extension}, "NEW01"));
    ASSERT_TRUE(got.open(QIODevice::ReadOnly) && served.open(QIODevice::ReadOnly));
    EXPECT_EQ(got.readAll(), served.readAll());
    EXPECT_TRUE(waitUntil([&] { return w.downloads().model().rowCount() == 0; }));

    // Another batch: the whole category again, and the picture it brought is announced and fetched
    // like any other.
    QString error;
    ASSERT_TRUE(library::newBatch(h.lib.root(), &error));
    publish(h, 0, "NEW02", "2026-12-07 09:41");
    h.lib.server().clearLog();
    h.poll();
    EXPECT_EQ(h.sound.plays, 2);
    EXPECT_EQ(h.lib.server().log().filter("Page0.dat").size(), 1);
    EXPECT_EQ(w.catalogue().items(0).size(), 32);
    EXPECT_EQ(topRow(w).fileName, "NEW02");
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(h.desktop() + "/NEW02" + gbk::decode(cat0.extension)); }));
}

TEST(Changes, AMergeTouchesOnlyTheCellThatShowsTheRecord)
{
    WindowHarness h({1, 300, 1});
    MainWindow &w = h.start();
    PageBar *bar = w.galleryPage()->pageBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->entryRect(2).center()); // page 2: records 240..299
    const PictureGridModel *grid = w.galleryPage()->pictureGrid()->gridModel();
    const QByteArray cell = grid->cell(2, 0).toByteArray(); // record 242
    publish(h, 0, fileNameOf(w, 12), "2026-12-07 09:50"); // record 12, not on this page
    h.poll();
    EXPECT_EQ(grid->cell(2, 0).toByteArray(), cell);
    EXPECT_TRUE(w.catalogue().items(0).at(12).endsWith("|2026-12-07 09:50"));
    publish(h, 0, fileNameOf(w, 250), "2026-12-07 09:51");
    h.poll();
    EXPECT_TRUE(grid->cell(2, 2).endsWith("|2026-12-07 09:51")); // record 250 on page 2

    // A reload brought by the poll keeps the page the user is on.
    QString error;
    ASSERT_TRUE(library::newBatch(h.lib.root(), &error));
    publish(h, 0, fileNameOf(w, 260), "2026-12-07 09:52");
    h.poll();
    EXPECT_EQ(grid->recordCount(), 60);
    EXPECT_TRUE(grid->cell(0, 5).endsWith("|2026-12-07 09:52")); // record 260

    // Grown past a page's end: the bar gains the page and page 2 stays down.
    h.writePage(0, makeRecords(480), {});
    publish(h, 0, "N480", "2026-12-07 09:53");
    h.poll();
    ASSERT_EQ(bar->entries().size(), 4);
    EXPECT_EQ(bar->entries().at(3).caption, "第3页");
    EXPECT_TRUE(bar->entries().at(2).checked);
    EXPECT_EQ(grid->recordCount(), 240);
}

TEST(Changes, AfterStartUpFailingServersAreReportedInTheStatusBarAndNeverEndTheProgram)
{
    WindowHarness h(small());
    ServerTable one;
    for (int i = 0; i < 6; ++i)
        one.urls << h.lib.url();
    MainWindow &w = h.start(one);
    h.setFaults({"/kq/Changer*.dat status=500"});
    h.poll();
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    EXPECT_EQ(h.life.requests, 0);
    EXPECT_EQ(statusText(w), "所有服务器均无法连接,稍后自动重试");
    // A category whose change file is missing loads quietly too.
    h.showCategory(1);
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    EXPECT_EQ(h.life.requests, 0);
    EXPECT_EQ(statusText(w), "所有服务器均无法连接,稍后自动重试");
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->recordCount(), 30);
    h.lib.server().clearFaults();
    h.poll();
    EXPECT_EQ(statusText(w), "已恢复连接，现使用#0号主机");
    EXPECT_TRUE(waitUntil([&] { return statusText(w).startsWith("最后更新: "); }, 8000));
}

TEST(Changes, ACategoryWhoseLoadFailedIsLoadedAgainQuietlyOnceTheServerAnswers)
{
    WindowHarness h(small());
    MainWindow &w = h.start();
    h.setFaults({"/kq/Page1.dat status=500"});
    h.showCategory(1);
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->recordCount(), 0);
    EXPECT_TRUE(statusText(w).startsWith("载入失败: "));
    h.lib.server().clearFaults();
    h.poll();
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->recordCount(), 30);
    EXPECT_TRUE(statusText(w).startsWith("最后更新: "));
    EXPECT_EQ(h.sound.plays, 0);
    EXPECT_TRUE(h.prompts.shown.isEmpty());
}

TEST(Changes, RefreshWorksOnceInFifteenSecondsFromEitherPage)
{
    WindowHarness h(small());
    GuiPrompts boxes;
    h.realPrompts = &boxes;
    MainWindow &w = h.start();
    boxes.setParent(&w);
    QSignalSpy shown(&w, &MainWindow::categoryShown);
    w.galleryPage()->refreshButton()->click();
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_TRUE(w.refreshLimitTimer().isActive());
    QString said;
    QTimer::singleShot(50, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            said = box->text();
            saveScreen(box, "refresh-limit-message");
            box->accept();
        }
    });
    h.lib.server().clearLog();
    w.filePage()->refreshButton()->click();
    EXPECT_EQ(said, "为了防止恶意刷新，每15秒只允许手动刷新一次！");
    EXPECT_TRUE(h.lib.server().log().isEmpty());
    w.refreshLimitTimer().stop(); // as its 15 seconds run out
    w.filePage()->refreshButton()->click();
    ASSERT_TRUE(shown.wait(10000));
}

TEST(ServerChoice, PicksSetTheServerAndTheSpeedTestFillsBothPagesLabels)
{
    WindowHarness h(small());
    ServerTable servers = h.lib.table();
    servers.urls[2] = deadUrl(); // the third library of the first carrier is down
    MainWindow &w = h.start(servers);
    ServerBar *gallery = w.galleryPage()->serverBar();
    ServerBar *files = w.filePage()->serverBar();
    EXPECT_EQ(w.catalogue().serverIndex, 0);
    gallery->carrierButton(1)->click();
    EXPECT_EQ(w.catalogue().serverIndex, 3);
    gallery->libraryButton(2)->click();
    EXPECT_EQ(w.catalogue().serverIndex, 5);
    files->carrierButton(0)->click();
    EXPECT_EQ(w.catalogue().serverIndex, 2);
    h.poll(); // the server picked fails: the poll moves on to the next
    EXPECT_EQ(w.catalogue().serverIndex, 3);
    files->libraryButton(2)->click(); // the same pick again applies again
    EXPECT_EQ(w.catalogue().serverIndex, 2);
    files->libraryButton(1)->click();

    files->speedTestButton()->click();
    ASSERT_TRUE(waitUntil([&] { return gallery->speedLabel(1)->text().endsWith(" KB/s"); }));
    EXPECT_EQ(files->speedLabel(1)->text(), gallery->speedLabel(1)->text());
    EXPECT_EQ(gallery->speedLabel(0)->text(), "速度未知");
    saveScreen(&w, "speed-labels");

    const QString before = gallery->speedLabel(1)->text();
    h.setFaults({"/kq/tsspeed.dat status=404"});
    gallery->speedTestButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !h.prompts.shown.isEmpty(); }));
    EXPECT_EQ(h.prompts.shown, QStringList{"message: 测速失败：服务器答复 404"});
    EXPECT_EQ(gallery->speedLabel(1)->text(), before);
}

TEST(Changes, AUserLookingElsewhereGetsOneDesktopMessagePerPoll)
{
    WindowHarness h(small());
    MainWindow &w = h.start();
    w.showMinimized();
    QByteArray list;
    for (int k : {12, 13})
        publish(h, 0, fileNameOf(w, k), "2026-12-07 10:10");
    // Two publications moved the serial by two: a reload, and both in one message. Then one more.
    h.poll();
    ASSERT_EQ(h.notifier.texts.size(), 1);
    EXPECT_TRUE(h.notifier.texts[0].contains(QString::fromLatin1(fileNameOf(w, 12))));
    EXPECT_TRUE(h.notifier.texts[0].contains(QString::fromLatin1(fileNameOf(w, 13))));
    publish(h, 0, fileNameOf(w, 14), "2026-12-07 10:11");
    h.poll();
    ASSERT_EQ(h.notifier.texts.size(), 2);
    EXPECT_TRUE(h.notifier.texts[1].contains(QString::fromLatin1(fileNameOf(w, 14))));
}
