// The file page in the real window: the sorted file list, clicks that queue, the queue's states in the
// list and the status bar, the category tabs, and the folder view over the save folder.
#include "gui/app/window_status_bar.h"
#include "core/catalogue/records.h"
#include "core/download/download_queue.h"
#include "core/download/file_list.h"
#include "gui/download/file_page.h"
#include "gui/gallery/category_bar.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/page_bar.h"
#include "gui/ui/picture_list.h"
#include "window_harness.h"

#include <QFileSystemModel>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTableView>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

library::InitOptions small() { return {2, 30, 1}; }

void clickRow(QTreeView *view, int row)
{
    const QRect r = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
}

// Press, release, press again as a double click, release: what a user's double click delivers.
void doubleClick(QWidget *viewport, QPoint pos)
{
    QTest::mouseClick(viewport, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, pos);
}

QString downloadText(MainWindow &w) { return w.windowStatusBar()->panelText(WindowStatusBar::DownloadPanel); }

// Opens the file page, as the user does, and waits for the queue to have nothing left to do.
MainWindow &fileMode(WindowHarness &h)
{
    MainWindow &w = h.start();
    w.pages()->setCurrentIndex(1);
    w.downloads().setRetryPause(20);
    return w;
}

bool queueSettled(MainWindow &w)
{
    return waitUntil([&] { return !w.downloads().isBusy() && !w.downloads().timer().isActive(); });
}

} // namespace

TEST(FilePage, TheFileListIsSortedAndAClickQueuesThePictureAskingWhenItWasTaken)
{
    WindowHarness h(small());
    MainWindow &w = fileMode(h);
    PictureList *list = w.filePage()->fileList();
    const LatestListModel *model = list->listModel();
    ASSERT_GT(model->rowCount(), 5);
    for (int column : {1, 0}) {
        for (int i = 1; i < model->rowCount(); ++i)
            EXPECT_FALSE(fileRowBefore(model->row(i), model->row(i - 1), column)) << column << " row " << i;
        QHeaderView *header = list->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(0) + 20, header->height() / 2));
    }
    QTest::mouseClick(list->header()->viewport(), Qt::LeftButton, {}, QPoint(20, list->header()->height() / 2));
    for (int i = 1; i < model->rowCount(); ++i) // the same header again keeps the order
        EXPECT_FALSE(fileRowBefore(model->row(i), model->row(i - 1), 0));
    saveScreen(&w, "file-page-sorted");

    int row = 0;
    while (model->row(row).time == "-1" || model->row(row).time.isEmpty())
        ++row;
    const LatestRow picked = model->row(row);
    const QString saved = h.desktop() + "/" + gbk::decode(picked.fileName) +
                          gbk::decode(w.catalogue().categories[0].entry.extension);
    clickRow(list, row);
    EXPECT_EQ(model->row(row).mark, markText()); // red at once
    const QList<LatestRow> &top = w.galleryPage()->latestList()->listModel()->rows();
    const auto same = std::find_if(top.begin(), top.end(), [&](const LatestRow &r) { return r.fileName == picked.fileName; });
    ASSERT_NE(same, top.end());
    EXPECT_TRUE(same->isMarked()); // and on the other page too
    ASSERT_TRUE(queueSettled(w));
    EXPECT_TRUE(QFileInfo::exists(saved));
    EXPECT_EQ(downloadText(w), "正在下载文件: <空>");

    // Taken already: No stops it; Yes and closing the box without an answer queue it again.
    h.prompts.asks = {Prompts::Answer::No, Prompts::Answer::Dismissed, Prompts::Answer::Yes};
    const auto requests = [&] { return h.lib.server().log().filter(QString::fromLatin1("/" + picked.fileName)).size(); };
    for (int i = 0; i < 3; ++i) {
        clickRow(list, row);
        ASSERT_TRUE(queueSettled(w));
    }
    EXPECT_EQ(h.prompts.shown.filter("ask: 当前图纸已经加入下载队列或已经下载成功,是否仍然继续下载?").size(), 3);
    EXPECT_EQ(requests(), 3);
}

TEST(FilePage, TheQueueShowsRunningWaitingAndFailedEntriesAndTheStatusBarFollows)
{
    WindowHarness h(small());
    MainWindow &w = fileMode(h);
    const QList<LatestRow> &rows = w.filePage()->fileList()->listModel()->rows();
    QList<int> pictures;
    for (int i = 0; i < rows.size() && pictures.size() < 3; ++i)
        if (!rows[i].time.isEmpty() && rows[i].time != "-1")
            pictures << i;
    ASSERT_EQ(pictures.size(), 3);
    const QString first = QString::fromLatin1(rows[pictures[0]].fileName);
    const QString second = QString::fromLatin1(rows[pictures[1]].fileName);
    h.setFaults({"/kq/pic0/" + first + ".* status=404", "/kq/pic0/" + second + ".* hang"});
    for (int p : pictures)
        clickRow(w.filePage()->fileList(), p);
    const DownloadQueueModel &queue = w.downloads().model();
    ASSERT_TRUE(waitUntil([&] { return queue.entries()[0].state == QueueEntry::State::Failed; }));
    ASSERT_TRUE(waitUntil([&] { return queue.entries()[1].state == QueueEntry::State::Running; }));
    EXPECT_EQ(queue.entries()[2].state, QueueEntry::State::Waiting);
    EXPECT_EQ(downloadText(w), "正在下载文件: " + gbk::decode(rows[pictures[1]].caption()));
    EXPECT_TRUE(queue.index(0).data().toString().endsWith("（失败：服务器答复 404）"));
    saveScreen(&w, "queue-running-waiting-failed");

    // Removing the hung entry lets the queue go on; the failed one is tried again on a double click.
    w.downloads().remove(1);
    h.lib.server().clearFaults();
    ASSERT_TRUE(queueSettled(w));
    EXPECT_EQ(queue.rowCount(), 1);
    QTableView *list = w.filePage()->queueList();
    doubleClick(list->viewport(), list->visualRect(queue.index(0)).center());
    ASSERT_TRUE(queueSettled(w));
    EXPECT_EQ(queue.rowCount(), 0);
}

TEST(FilePage, TheFolderViewListsDownloadsOpensAndDeletesWhenAsked)
{
    WindowHarness h(small());
    MainWindow &w = fileMode(h);
    QFileSystemModel *files = w.filePage()->folderModel();
    QTreeView *view = w.filePage()->folderView();
    EXPECT_EQ(files->rootPath(), h.desktop());
    clickRow(w.filePage()->fileList(), 0);
    ASSERT_TRUE(queueSettled(w));
    // The view notices the new file by itself, within a second.
    ASSERT_TRUE(waitUntil([&] { return files->rowCount(view->rootIndex()) == 1; }, 1000));
    const QModelIndex file = files->index(0, 0, view->rootIndex());
    const QString path = files->filePath(file);
    saveScreen(&w, "folder-view");

    doubleClick(view->viewport(), view->visualRect(file).center());
    EXPECT_EQ(h.shell.opened, QStringList{path});

    view->setCurrentIndex(file);
    h.prompts.answers = {false, true};
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_TRUE(QFileInfo::exists(path));
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(h.prompts.shown.filter("confirm: 确实要删除此文件吗？").size(), 2);
    view->clearSelection();
    view->setCurrentIndex({});
    QTest::keyClick(view, Qt::Key_Delete); // nothing selected: nothing asked
    EXPECT_EQ(h.prompts.shown.filter("confirm: 确实要删除此文件吗？").size(), 2);
}

TEST(FilePage, TabsSwitchTheCategoryAndASearchResultIsQueuedOnce)
{
    WindowHarness h(small());
    MainWindow &w = fileMode(h);
    QSignalSpy shown(&w, &MainWindow::categoryShown);
    QTabBar *tabs = w.filePage()->categoryTabs();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_EQ(w.catalogue().current, 1);
    EXPECT_TRUE(w.galleryPage()->categoryBar()->buttons()[1]->font().bold());
    EXPECT_EQ(w.galleryPage()->pageBar()->entries().size(), 2); // the gallery shows this category's pages
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center()); // the current tab: no reload
    EXPECT_FALSE(shown.wait(300));

    // Results come from the search (a later part); here one is put in as it would be.
    const PictureRecord rec = PictureRecord::parse(w.catalogue().items(1).at(3));
    LatestListModel *results = w.filePage()->searchResults()->listModel();
    const LatestRow row{rec.fileName.toByteArray(), rec.chineseName.toByteArray(), {}, {}, rec.id.toByteArray()};
    results->setRows({row, row});
    EXPECT_EQ(PictureTone(results->index(0, 0).data(LatestListModel::ToneRole).toInt()), PictureTone::Blue);
    clickRow(w.filePage()->searchResults(), 0);
    EXPECT_EQ(results->rowCount(), 1);
    EXPECT_TRUE(w.catalogue().isTaken(1, 3));
    EXPECT_EQ(PictureTone(results->index(0, 0).data(LatestListModel::ToneRole).toInt()), PictureTone::Red);
    h.prompts.asks = {Prompts::Answer::No};
    clickRow(w.filePage()->searchResults(), 0);
    EXPECT_EQ(results->rowCount(), 1); // declined: the row stays
    ASSERT_TRUE(queueSettled(w));
    EXPECT_TRUE(QFileInfo::exists(h.desktop() + "/" + gbk::decode(rec.fileName) +
                                  gbk::decode(w.catalogue().categories[1].entry.extension)));
}
