// The file page in the real window: the sorted file list, clicks that queue, the queue's states in the
// list and the status bar, the category tabs, the search results, and the folder view.
#include "core/download/download_queue.h"
#include "core/download/file_list.h"
#include "window_harness.h"

#include <QContextMenuEvent>
#include <QFileSystemModel>
#include <QMenu>
#include <QTimer>
#include <QHeaderView>
#include <QTableView>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

// Press, release, press again as a double click, release: what a user's double click delivers.
void doubleClick(QWidget *viewport, QPoint pos)
{
    QTest::mouseClick(viewport, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, pos);
}

QString downloadText(MainWindow &w) { return panelText(w, WindowStatusBar::DownloadPanel); }

// Opens the file page, as the user does.
MainWindow &fileMode(WindowHarness &h)
{
    MainWindow &w = h.start();
    w.pages()->setCurrentIndex(1);
    w.downloads().setRetryPause(20);
    return w;
}

// Waits for the queue to have nothing left to do.
bool queueSettled(MainWindow &w)
{
    return waitUntil([&] { return !w.downloads().isBusy() && !w.downloads().timer().isActive(); });
}

} // namespace

// Descending by time at first; a click on the name header sorts by name, and again keeps that order.
TEST(FilePage, TheFileListSortsByTheHeaderClicked)
{
    WindowHarness h;
    MainWindow &w = fileMode(h);
    PictureList *list = w.filePage()->fileList();
    const LatestListModel *model = list->listModel();
    ASSERT_GT(model->rowCount(), 5);
    QHeaderView *header = list->header();
    for (int column : {1, 0, 0}) {
        for (int i = 1; i < model->rowCount(); ++i)
            EXPECT_FALSE(fileRowBefore(model->row(i), model->row(i - 1), column)) << column << " row " << i;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(0) + 20, header->height() / 2));
    }
    saveScreen(&w, "file-page-sorted");
}

// A click queues the picture, red at once here and in the gallery's list; taken already, the user is
// asked, and No stops it while Yes or a box closed without an answer queue it again.
TEST(FilePage, AClickQueuesThePictureAndAsksWhenItWasTakenAlready)
{
    WindowHarness h;
    MainWindow &w = fileMode(h);
    PictureList *list = w.filePage()->fileList();
    const LatestListModel *model = list->listModel();
    const int row = pictureRows(model).value(0, -1);
    ASSERT_GE(row, 0);
    const LatestRow picked = model->row(row);
    clickRow(list, row);
    EXPECT_EQ(model->row(row).mark, markText());
    const QList<LatestRow> &top = w.galleryPage()->latestList()->listModel()->rows();
    const auto same = std::find_if(top.begin(), top.end(), [&](const LatestRow &r) { return r.fileName == picked.fileName; });
    ASSERT_NE(same, top.end());
    EXPECT_TRUE(same->isMarked());
    ASSERT_TRUE(queueSettled(w));
    EXPECT_TRUE(QFileInfo::exists(h.desktop() + "/" + gbk::decode(picked.fileName) +
                                  gbk::decode(w.catalogue().categories[0].entry.extension)));
    EXPECT_EQ(downloadText(w), "正在下载文件: <空>");

    h.prompts.asks = {Prompts::Answer::No, Prompts::Answer::Dismissed, Prompts::Answer::Yes};
    for (int i = 0; i < 3; ++i) {
        clickRow(list, row);
        ASSERT_TRUE(queueSettled(w));
    }
    EXPECT_EQ(h.prompts.shown, QStringList(3, "ask: 当前图纸已经加入下载队列或已经下载成功,是否仍然继续下载?"));
    EXPECT_EQ(h.lib.server().log().filter("/" + QString::fromLatin1(picked.fileName) + ".").size(), 3);
}

TEST(FilePage, TheQueueShowsRunningWaitingAndFailedEntriesAndTheStatusBarFollows)
{
    WindowHarness h;
    MainWindow &w = fileMode(h);
    const QList<LatestRow> &rows = w.filePage()->fileList()->listModel()->rows();
    const QList<int> pictures = pictureRows(w.filePage()->fileList()->listModel()).mid(0, 3);
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

TEST(FilePage, ATabSwitchesTheCategoryForBothPages)
{
    WindowHarness h;
    MainWindow &w = fileMode(h);
    QSignalSpy shown(&w, &MainWindow::categoryShown);
    QTabBar *tabs = w.filePage()->categoryTabs();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->category(), 1);
    EXPECT_TRUE(w.galleryPage()->categoryBar()->buttons()[1]->font().bold());
}

// The file page's search lists the matches, withdrawn pictures left out; a click queues a result and
// takes it off the list. Found again it shows taken, and a second download declined leaves it there.
TEST(FilePage, SearchResultsListTheMatchesAndAClickQueuesOne)
{
    WindowHarness h;
    MainWindow &w = fileMode(h);
    QLineEdit *edit = w.filePage()->searchEdit();
    edit->setText(QString::fromUtf8("图"));
    QTest::keyClick(edit, Qt::Key_Return);
    PictureList *list = w.filePage()->searchResults();
    const LatestListModel *results = list->listModel();
    ASSERT_GT(results->rowCount(), 5);
    EXPECT_EQ(pictureRows(results).size(), results->rowCount());
    saveScreen(&w, "file-page-search-results");
    const int count = results->rowCount();
    const LatestRow first = results->row(0);
    const auto tone = [&] { return PictureTone(results->index(0, 0).data(LatestListModel::ToneRole).toInt()); };
    EXPECT_EQ(tone(), PictureTone::Blue);
    clickRow(list, 0);
    EXPECT_EQ(results->rowCount(), count - 1);
    ASSERT_TRUE(queueSettled(w));
    EXPECT_TRUE(QFileInfo::exists(h.desktop() + "/" + gbk::decode(first.fileName) +
                                  gbk::decode(w.catalogue().categories[0].entry.extension)));

    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(results->row(0).fileName, first.fileName);
    EXPECT_EQ(tone(), PictureTone::Red);
    h.prompts.asks = {Prompts::Answer::No};
    clickRow(list, 0);
    EXPECT_EQ(results->rowCount(), count);
    EXPECT_EQ(h.prompts.shown, QStringList{"ask: 当前图纸已经加入下载队列或已经下载成功,是否仍然继续下载?"});
}

TEST(FilePage, TheFolderViewListsDownloadsOpensAndDeletesWhenAsked)
{
    WindowHarness h;
    MainWindow &w = fileMode(h);
    QFileSystemModel *files = w.filePage()->folderModel();
    QTreeView *view = w.filePage()->folderView();
    EXPECT_EQ(files->rootPath(), h.desktop());
    clickRow(w.filePage()->fileList(), pictureRows(w.filePage()->fileList()->listModel()).value(0));
    ASSERT_TRUE(queueSettled(w));
    // The view notices the new file by itself, within a second.
    ASSERT_TRUE(waitUntil([&] { return files->rowCount(view->rootIndex()) == 1; }, 1000));
    const QModelIndex file = files->index(0, 0, view->rootIndex());
    const QString path = files->filePath(file);
    saveScreen(&w, "folder-view");

    doubleClick(view->viewport(), view->visualRect(file).center());
    EXPECT_EQ(h.shell.opened, QStringList{path});

    // A click on the selected file starts no rename (that edit took the Delete key); F2 still does.
    view->setCurrentIndex(file);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(file).center());
    QTest::qWait(2 * QApplication::doubleClickInterval());
    EXPECT_EQ(view->indexWidget(file), nullptr);
    QTest::keyClick(view, Qt::Key_F2);
    ASSERT_NE(view->indexWidget(file), nullptr);
    QTest::keyClick(view->indexWidget(file), Qt::Key_Escape);
    EXPECT_EQ(view->indexWidget(file), nullptr);
    h.prompts.answers = {false, true};
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_TRUE(QFileInfo::exists(path));
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_FALSE(QFileInfo::exists(path));
    view->clearSelection();
    view->setCurrentIndex({});
    QTest::keyClick(view, Qt::Key_Delete); // nothing selected: nothing asked
    EXPECT_EQ(h.prompts.shown, QStringList(2, "confirm: 确实要删除此文件吗？"));
}

// Return or Space on a list's current row, selected or not, does what the mouse does there: a click
// in the latest uploads, the file list and the search results, a double click in the queue and the
// folder.
TEST(FilePage, ReturnAndSpaceOnAListsCurrentRowDoWhatTheMouseDoes)
{
    WindowHarness h;
    h.onDialog = [](DownloadDialog &d) { d.cancelButton()->click(); };
    MainWindow &w = fileMode(h);
    FilePage *f = w.filePage();
    QSignalSpy started(&w.downloads(), &DownloadQueue::started);
    // A failed entry in the queue, a downloaded file in the folder, results of a search.
    const QList<int> pictures = pictureRows(f->fileList()->listModel());
    ASSERT_GE(pictures.size(), 3);
    const QString failing = QString::fromLatin1(f->fileList()->listModel()->row(pictures[0]).fileName);
    h.setFaults({"/kq/pic0/" + failing + ".* status=404"});
    clickRow(f->fileList(), pictures[0]);
    clickRow(f->fileList(), pictures[1]);
    ASSERT_TRUE(queueSettled(w));
    h.lib.server().clearFaults();
    ASSERT_EQ(w.downloads().model().rowCount(), 1);
    ASSERT_TRUE(waitUntil([&] { return f->folderModel()->rowCount(f->folderView()->rootIndex()) == 1; }, 1000));
    f->searchEdit()->setText(QString::fromUtf8("图"));
    QTest::keyClick(f->searchEdit(), Qt::Key_Return);
    const LatestListModel *results = f->searchResults()->listModel();
    int freeResult = -1;
    for (int i = 0; i < results->rowCount() && freeResult < 0; ++i)
        if (PictureTone(results->index(i, 0).data(LatestListModel::ToneRole).toInt()) == PictureTone::Blue)
            freeResult = i;
    ASSERT_GE(freeResult, 0);

    const auto dialogs = [&] { return h.dialogs; };
    const auto downloads = [&] { return int(started.size()); };
    const auto opened = [&] { return int(h.shell.opened.size()); };
    const struct
    {
        const char *list;
        QAbstractItemView *view;
        int page, row;
        Qt::Key key;
        std::function<int()> effect; // grows by one
    } cases[] = {
        {"latest uploads", w.galleryPage()->latestList(), 0, pictureRows(w.galleryPage()->latestList()->listModel()).value(0), Qt::Key_Return, dialogs},
        {"latest uploads", w.galleryPage()->latestList(), 0, pictureRows(w.galleryPage()->latestList()->listModel()).value(1), Qt::Key_Space, dialogs},
        {"file list", f->fileList(), 1, pictures[2], Qt::Key_Space, downloads},
        {"search results", f->searchResults(), 1, freeResult, Qt::Key_Return, downloads},
        {"queue", f->queueList(), 1, 0, Qt::Key_Space, downloads},
        {"folder", f->folderView(), 1, 0, Qt::Key_Return, opened},
        {"folder", f->folderView(), 1, 0, Qt::Key_Space, opened},
    };
    for (const auto &c : cases) {
        w.pages()->setCurrentIndex(c.page);
        QAbstractItemView *v = c.view;
        const QModelIndex index = v->model()->index(c.row, 0, v->rootIndex());
        ASSERT_TRUE(index.isValid()) << c.list;
        v->clearSelection();
        v->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        const int before = c.effect();
        QTest::keyClick(v, c.key);
        EXPECT_TRUE(waitUntil([&] { return c.effect() == before + 1; }, 5000)) << c.list << " " << c.key;
        EXPECT_TRUE(queueSettled(w)) << c.list;
    }
    EXPECT_EQ(w.downloads().model().rowCount(), 0); // the failed entry was tried again, and made it
    ASSERT_EQ(h.shell.opened.size(), 2);
    EXPECT_EQ(h.shell.opened[1], h.shell.opened[0]);
    EXPECT_TRUE(QFileInfo(h.shell.opened[0]).dir() == QDir(h.desktop()));
}

// The menu key (as the window system delivers it: a context menu event for the focus widget) and
// Shift+F10 open the queue's menu under the current row, for that row.
TEST(FilePage, TheMenuKeyAndShiftF10OpenTheQueueMenuAtTheCurrentRow)
{
    WindowHarness h;
    MainWindow &w = fileMode(h);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    FilePage *f = w.filePage();
    const QList<int> pictures = pictureRows(f->fileList()->listModel()).mid(0, 3);
    ASSERT_EQ(pictures.size(), 3);
    h.setFaults({"/kq/pic0/* status=404"});
    for (int p : pictures)
        clickRow(f->fileList(), p);
    ASSERT_TRUE(queueSettled(w));
    const DownloadQueueModel &queue = w.downloads().model();
    ASSERT_EQ(queue.rowCount(), 3);
    QTableView *list = f->queueList();

    const auto menuKey = [&] {
        QContextMenuEvent e(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        QApplication::sendEvent(w.windowHandle(), &e);
    };
    const auto shiftF10 = [&] { QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier); };
    const struct
    {
        const char *how;
        std::function<void()> press;
        int row;
    } cases[] = {{"menu key", menuKey, 1}, {"Shift+F10", shiftF10, 0}};
    for (const auto &c : cases) {
        list->setFocus();
        list->selectionModel()->setCurrentIndex(queue.index(c.row), QItemSelectionModel::NoUpdate);
        const QByteArray current = queue.entries()[c.row].caption();
        const QPoint under = list->viewport()->mapToGlobal(list->visualRect(queue.index(c.row)).bottomLeft());
        QPoint at;
        QStringList items;
        QTimer::singleShot(0, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            at = menu->pos();
            for (QAction *a : menu->actions())
                if (!a->isSeparator() && a->isEnabled())
                    items << a->text();
            menu->setActiveAction(menu->actions().at(1)); // 从队列中删除
            QTest::keyClick(menu, Qt::Key_Return);
        });
        const int before = queue.rowCount();
        c.press();
        QCoreApplication::processEvents();
        EXPECT_EQ(items, (QStringList{"重新下载", "从队列中删除", "重新下载全部失败项", "删除全部失败项"})) << c.how;
        EXPECT_EQ(at, under) << c.how;
        ASSERT_EQ(queue.rowCount(), before - 1) << c.how;
        for (const QueueEntry &e : queue.entries())
            EXPECT_NE(e.caption(), current) << c.how; // the current row went
    }
}
