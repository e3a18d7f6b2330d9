// Changes arriving while the window runs, published with the library tool as an operator would: what
// the user sees and hears of them. Which pictures are announced when is the session's to decide
// (session_tests, soak_tests); here, that it reaches the screen. Polls are run one at a time.
#include "gui/app/gui_platform.h"
#include "window_harness.h"

#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

const LatestRow &topRow(MainWindow &w) { return w.galleryPage()->latestList()->listModel()->row(0); }

QString updateText(MainWindow &w) { return panelText(w, WindowStatusBar::UpdatePanel); }

} // namespace

TEST(Changes, AMergeShowsInTheCellOnThePageShownAndIsHeardWhileTheSoundBoxIsTicked)
{
    WindowHarness h({1, 300, 1});
    MainWindow &w = h.start();
    clickPageEntry(w, 2); // page 2: records 240..299
    const PictureGridModel *grid = w.galleryPage()->pictureGrid()->gridModel();
    const QByteArray untouched = grid->cell(2, 0).toByteArray(); // record 242
    const QByteArray name = fileNameAt(w, 250);
    publish(h, 0, name, "2026-12-07 09:30");
    h.poll();
    EXPECT_TRUE(grid->cell(2, 2).endsWith("|2026-12-07 09:30")); // record 250: column 2, row 2
    EXPECT_EQ(grid->cell(2, 0).toByteArray(), untouched);
    EXPECT_EQ(topRow(w).fileName, name);
    EXPECT_EQ(updateText(w), "最后更新: 2026-12-07 09:30");
    EXPECT_EQ(h.sound.plays, 1);
    saveScreen(&w, "new-picture-on-top");

    w.soundBox()->click(); // unticked: silent
    publish(h, 0, fileNameAt(w, 251), "2026-12-07 09:31");
    h.poll();
    EXPECT_TRUE(grid->cell(3, 2).endsWith("|2026-12-07 09:31"));
    EXPECT_EQ(h.sound.plays, 1);
}

// Grown past a page's end by a reload a poll brought: the bar gains the page, the user stays on his.
TEST(Changes, AReloadBroughtByAPollKeepsThePageAndTheBarGrowsWithTheCategory)
{
    WindowHarness h({1, 300, 1});
    MainWindow &w = h.start();
    clickPageEntry(w, 2);
    h.writePage(0, makeRecords(480), {});
    publish(h, 0, "N480", "2026-12-07 09:53");
    h.poll();
    PageBar *bar = w.galleryPage()->pageBar();
    ASSERT_EQ(bar->entries().size(), 4);
    EXPECT_EQ(bar->entries().at(3).caption, "第3页");
    EXPECT_TRUE(bar->entries().at(2).checked);
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->recordCount(), 240);
}

TEST(Changes, AfterStartUpFailingServersAreReportedInTheStatusBarAndNeverEndTheProgram)
{
    WindowHarness h;
    MainWindow &w = h.start();
    h.setFaults({"/kq/Changer*.dat status=500"});
    h.poll();
    EXPECT_EQ(updateText(w), "所有服务器均无法连接,稍后自动重试");
    // A category whose change file is missing loads quietly too.
    h.showCategory(1);
    EXPECT_EQ(updateText(w), "所有服务器均无法连接,稍后自动重试");
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->recordCount(), 30);
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    EXPECT_EQ(h.life.requests, 0);
    h.lib.server().clearFaults();
    h.poll();
    EXPECT_EQ(updateText(w), "已恢复连接，现使用#0号主机");
    EXPECT_TRUE(waitUntil([&] { return updateText(w).startsWith("最后更新: "); }, 8000));
}

// A page that cannot be loaded leaves an empty category, not the last one's pictures, and the status
// bar says why until the next poll finds the server answering and loads it again, quietly.
TEST(Changes, AFailedLoadSaysWhyUntilAPollLoadsTheCategoryAgain)
{
    WindowHarness h;
    MainWindow &w = h.start();
    h.setFaults({"/kq/Page1.dat status=404"});
    h.showCategory(1);
    GalleryPage *g = w.galleryPage();
    const PictureGridModel *grid = g->pictureGrid()->gridModel();
    EXPECT_EQ(grid->rowCount(), 1);
    EXPECT_TRUE(grid->cell(0, 0).isEmpty());
    EXPECT_EQ(g->pageBar()->entries().size(), 1);
    EXPECT_EQ(g->latestList()->listModel()->rowCount(), 0);
    EXPECT_EQ(updateText(w), "载入失败: 服务器答复 404");
    saveScreen(&w, "empty-category");
    h.lib.server().clearFaults();
    h.poll();
    EXPECT_EQ(grid->recordCount(), 30);
    EXPECT_EQ(g->pageBar()->entries().size(), 2);
    EXPECT_TRUE(updateText(w).startsWith("最后更新: "));
    EXPECT_EQ(h.sound.plays, 0);
    EXPECT_TRUE(h.prompts.shown.isEmpty());
}

// Both pages' "立即刷新" reach the session: the gallery's reloads; the file page's, within the limit,
// brings up the real message box with its words.
TEST(Changes, RefreshFromEitherPageAndTheLimitsMessageBox)
{
    WindowHarness h;
    GuiPrompts boxes;
    h.realPrompts = &boxes;
    MainWindow &w = h.start();
    boxes.setParent(&w);
    QSignalSpy shown(&w, &MainWindow::categoryShown);
    w.galleryPage()->refreshButton()->click();
    ASSERT_TRUE(shown.wait(10000));
    QString said;
    QTimer::singleShot(50, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            said = box->text();
            saveScreen(box, "refresh-limit-message");
            box->accept();
        }
    });
    w.filePage()->refreshButton()->click();
    EXPECT_EQ(said, "为了防止恶意刷新，每15秒只允许手动刷新一次！");
}

TEST(ServerChoice, EitherPagesPickSetsTheServerAndBothBarsShowIt)
{
    WindowHarness h;
    ServerTable servers = h.lib.table();
    servers.urls[2] = deadUrl(); // the third library of the first carrier is down
    MainWindow &w = h.start(servers);
    ServerBar *gallery = w.galleryPage()->serverBar(), *files = w.filePage()->serverBar();
    files->carrierButton(1)->click();
    files->libraryButton(2)->click();
    EXPECT_EQ(w.catalogue().serverIndex, 5);
    EXPECT_TRUE(gallery->carrierButton(1)->isChecked() && gallery->libraryButton(2)->isChecked());
    gallery->carrierButton(0)->click();
    EXPECT_TRUE(files->carrierButton(0)->isChecked());
    EXPECT_EQ(w.catalogue().serverIndex, 2);
    h.poll(); // the server picked fails: the poll moves on to the next
    EXPECT_EQ(w.catalogue().serverIndex, 3);
    files->libraryButton(2)->click(); // the same pick again applies again
    EXPECT_EQ(w.catalogue().serverIndex, 2);
}

TEST(ServerChoice, TheSpeedTestFillsBothPagesLabelsOrSaysWhyNot)
{
    WindowHarness h;
    MainWindow &w = h.start();
    ServerBar *gallery = w.galleryPage()->serverBar(), *files = w.filePage()->serverBar();
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
