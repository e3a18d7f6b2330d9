// The gallery page in the real window against the library server: page and category buttons, what
// the grid and the latest list show, and what clicks on them do.
#include "core/catalogue/records.h"
#include "gui/download/download_dialog.h"
#include "gui/download/file_page.h"
#include "gui/gallery/category_bar.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/page_bar.h"
#include "gui/gallery/picture_grid.h"
#include "core/gallery/picture_grid_model.h"
#include "library_files.h"
#include "gui/ui/picture_list.h"
#include "window_harness.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

int requestsFor(WindowHarness &h, const QString &path) { return int(h.lib.server().log().filter(path).size()); }

void clickPage(MainWindow &w, int i)
{
    PageBar *bar = w.galleryPage()->pageBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->entryRect(i).center());
}

void clickCell(MainWindow &w, int k)
{
    PictureGrid *grid = w.galleryPage()->pictureGrid();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->cellRect(k % 4, k / 4).center());
}

// The strong colours a grid cell is painted in, as the user sees them.
QSet<QRgb> paintedColours(MainWindow &w, int col, int row)
{
    PictureGrid *grid = w.galleryPage()->pictureGrid();
    const QImage img = grid->viewport()->grab(grid->cellRect(col, row)).toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = img.pixel(x, y);
            const int r = qRed(px), g = qGreen(px), b = qBlue(px);
            if (b - std::max(r, g) > 100)
                colours.insert(qRgb(0, 0, 255));
            else if (r - std::max(g, b) > 100)
                colours.insert(qRgb(255, 0, 0));
            else if (std::max({r, g, b}) < 90)
                colours.insert(qRgb(0, 0, 0));
        }
    return colours;
}

} // namespace

TEST(GalleryPage, PageButtonsShowTheirSliceFromTheTopAndFollowTheCategory)
{
    WindowHarness h({3, 10, 1});
    h.writePage(0, makeRecords(481), {"1"});
    h.writePage(1, makeRecords(240), {"1"});
    h.setFaults({"/kq/Page2.dat status=404"});
    MainWindow &w = h.start();
    ASSERT_TRUE(h.started);
    GalleryPage *g = w.galleryPage();
    const PictureGridModel *grid = g->pictureGrid()->gridModel();
    ASSERT_EQ(g->pageBar()->entries().size(), 4);
    EXPECT_EQ(g->pageBar()->entryRect(0), QRect(10, 8, 45, 24));
    EXPECT_EQ(g->pageBar()->entryRect(3).x(), 154);

    g->pictureGrid()->verticalScrollBar()->setValue(50);
    clickPage(w, 3);
    EXPECT_EQ(g->currentPage(), 3);
    EXPECT_TRUE(g->pageBar()->entries()[3].checked);
    EXPECT_FALSE(g->pageBar()->entries()[0].checked);
    EXPECT_EQ(grid->recordCount(), 1);
    EXPECT_EQ(grid->cell(0, 0).toByteArray(), makeRecords(481)[480]);
    clickPage(w, 1);
    EXPECT_EQ(grid->recordCount(), 240);
    g->pictureGrid()->verticalScrollBar()->setValue(30);
    clickPage(w, 2);
    EXPECT_EQ(g->pictureGrid()->verticalScrollBar()->value(), 0); // a new page shows from its top row
    clickPage(w, 0);
    EXPECT_EQ(grid->recordCount(), 481);

    h.showCategory(1);
    EXPECT_EQ(w.catalogue().current, 1);
    EXPECT_EQ(g->currentPage(), 0);
    EXPECT_EQ(requestsFor(h, "/kq/Page1.dat"), 1);
    EXPECT_EQ(g->pageBar()->entries().size(), 2);
    EXPECT_EQ(grid->recordCount(), 240);
    const QList<QToolButton *> &buttons = g->categoryBar()->buttons();
    EXPECT_TRUE(buttons[1]->font().bold());
    EXPECT_EQ(buttons[1]->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
    EXPECT_FALSE(buttons[0]->font().bold());
    EXPECT_EQ(buttons[0]->palette().color(QPalette::ButtonText), QColor(0, 0, 0));
    EXPECT_FALSE(buttons[0]->isChecked());
    EXPECT_EQ(w.filePage()->categoryTabs()->currentIndex(), 1);
    EXPECT_TRUE(w.filePage()->hiddenCategoryButtons()[1]->font().bold());

    h.showCategory(2); // its page is missing: an empty category, and the status bar says why
    EXPECT_EQ(g->pageBar()->entries().size(), 1);
    EXPECT_EQ(grid->rowCount(), 1);
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    saveScreen(&w, "empty-category");
}

TEST(GalleryPage, TheCurrentCategoryReloadsOnlyWhileSearchResultsAreShown)
{
    WindowHarness h({2, 300, 1});
    MainWindow &w = h.start();
    GalleryPage *g = w.galleryPage();
    clickPage(w, 2);
    g->categoryBar()->buttons()[0]->click();
    QTest::qWait(100);
    EXPECT_EQ(requestsFor(h, "/kq/Page0.dat"), 1);
    EXPECT_EQ(g->currentPage(), 2);
    EXPECT_EQ(g->pictureGrid()->gridModel()->recordCount(), 60);

    g->setCurrentPage(99);
    h.showCategory(0);
    EXPECT_EQ(requestsFor(h, "/kq/Page0.dat"), 2);
    EXPECT_EQ(g->currentPage(), 0);
    EXPECT_TRUE(g->pageBar()->entries()[0].checked);
    EXPECT_EQ(g->pictureGrid()->gridModel()->recordCount(), 300);

    QToolButton *zone = g->categoryBar()->zoneButton();
    zone->click();
    EXPECT_FALSE(zone->isChecked()); // the zone button never stays down
    EXPECT_EQ(w.catalogue().current, 0);
}

TEST(GalleryPage, CategoryButtonsTakeTheirWidthsFromGbkLengths)
{
    WindowHarness h({3, 4, 1});
    QList<library::Category> cats;
    QByteArray release;
    QString error;
    ASSERT_TRUE(library::readConfig(h.lib.root(), &cats, &release, &error));
    cats[0].name = g("建筑图纸");
    cats[1].name = "A";
    cats[2].name = g("A图");
    ASSERT_TRUE(library::writeConfig(h.lib.root(), cats, release, &error));
    MainWindow &w = h.start();
    const QList<QToolButton *> &buttons = w.galleryPage()->categoryBar()->buttons();
    ASSERT_EQ(buttons.size(), 4);
    EXPECT_EQ(buttons[0]->geometry(), QRect(5, 9, 60, 24));
    EXPECT_EQ(buttons[1]->geometry(), QRect(70, 9, 15, 24));
    EXPECT_EQ(buttons[2]->geometry(), QRect(90, 9, 30, 24));
    EXPECT_EQ(buttons[3]->geometry(), QRect(125, 9, 90, 24));
    EXPECT_EQ(buttons[2]->text(), "A图");
    EXPECT_EQ(w.catalogue().categories[1].entry.folder, cats[1].folder);

    QTabBar *tabs = w.filePage()->categoryTabs();
    EXPECT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "建筑图纸");
    const QList<QToolButton *> &twins = w.filePage()->hiddenCategoryButtons();
    ASSERT_EQ(twins.size(), 4);
    EXPECT_EQ(twins[3]->text(), "自选专区");
    EXPECT_EQ(twins[2]->x(), 162);
    for (QToolButton *twin : twins)
        EXPECT_TRUE(twin->isHidden());
}

TEST(GalleryPage, ColoursTellEachPicturesStateAndThePointerTurnsOneRed)
{
    WindowHarness h({1, 12, 1}); // record 0 a caption row, record 5 withdrawn
    MainWindow &w = h.start();
    ASSERT_TRUE(w.catalogue().items(0).at(5).endsWith("|-1"));
    EXPECT_EQ(paintedColours(w, 1, 0), QSet<QRgb>{qRgb(0, 0, 255)}); // not taken
    EXPECT_EQ(paintedColours(w, 1, 1), QSet<QRgb>{qRgb(0, 0, 0)});   // withdrawn
    EXPECT_EQ(paintedColours(w, 0, 0), QSet<QRgb>{qRgb(255, 0, 0)}); // caption row
    w.session().markTaken(0, 2);
    EXPECT_EQ(paintedColours(w, 2, 0), QSet<QRgb>{qRgb(255, 0, 0)});

    PictureGrid *grid = w.galleryPage()->pictureGrid();
    QTest::mouseMove(grid->viewport(), grid->cellRect(3, 0).center());
    EXPECT_EQ(grid->hoverColumn(), 3);
    EXPECT_EQ(paintedColours(w, 3, 0), QSet<QRgb>{qRgb(255, 0, 0)});
    saveScreen(&w, "gallery-colours");
    QTest::mouseMove(grid->viewport(), grid->cellRect(1, 0).center());
    EXPECT_EQ(paintedColours(w, 3, 0), QSet<QRgb>{qRgb(0, 0, 255)});
    grid->showRecords(0, w.catalogue().items(0).mid(0, 10), true, 0);
    EXPECT_TRUE(paintedColours(w, 3, 2).isEmpty()); // past the end: nothing
    EXPECT_FALSE(paintedColours(w, 1, 2).isEmpty());
}

TEST(GalleryPage, AMegabyteRecordIsDrawnCutAndDoesNotStallTheWindow)
{
    WindowHarness h({1, 4, 1});
    QList<QByteArray> records = makeRecords(4);
    records[1] = "1\t" + QByteArray(4 << 20, 'W') + "|" + g("大") + "|t";
    h.writePage(0, records, {"1", "2"});
    MainWindow &w = h.start();
    PictureGrid *grid = w.galleryPage()->pictureGrid();
    const QString shown = grid->cellLook(1, 0).text;
    EXPECT_LT(shown.size(), 2000);
    EXPECT_LT(grid->gridModel()->data(grid->gridModel()->index(0, 1), Qt::ToolTipRole).toString().size(), 2000);
    const LatestListModel *latest = w.galleryPage()->latestList()->listModel();
    EXPECT_LT(latest->data(latest->index(1, 0)).toString().size(), 2000);
    EXPECT_EQ(paintedColours(w, 1, 0), QSet<QRgb>{qRgb(0, 0, 255)});
}

TEST(GalleryPage, AClickOpensTheDialogForPicturesOnlyAndMarksThemWhateverTheButton)
{
    WindowHarness h({1, 12, 1});
    QStringList shown;
    h.onDialog = [&](DownloadDialog &d) {
        shown << d.nameLabel()->text() + " / " + d.timeLabel()->text();
        d.cancelButton()->click();
    };
    MainWindow &w = h.start();
    clickCell(w, 5); // withdrawn
    clickCell(w, 0); // caption row
    PictureGrid *grid = w.galleryPage()->pictureGrid();
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, grid->cellRect(2, 0).center());
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_FALSE(w.catalogue().isTaken(0, 2));

    clickCell(w, 2);
    ASSERT_EQ(shown.size(), 1);
    const PictureRecord rec = PictureRecord::parse(w.catalogue().items(0).at(2));
    EXPECT_EQ(shown[0], gbk::decode(displayName(rec.fileName, rec.chineseName)) + " / " + gbk::decode(rec.time));
    EXPECT_TRUE(w.catalogue().isTaken(0, 2)); // cancelled, yet taken
    EXPECT_TRUE(h.shell.opened.isEmpty());
}

TEST(GalleryPage, APickedLatestRowTurnsRedAtOnceAndItsPictureInTheGrid)
{
    WindowHarness h({1, 12, 1});
    h.writePage(0, makeRecords(12), {"3", "-7", "9"});
    h.onDialog = [](DownloadDialog &d) { d.cancelButton()->click(); };
    MainWindow &w = h.start();
    PictureList *list = w.galleryPage()->latestList();
    ASSERT_EQ(list->listModel()->rowCount(), 3);
    QSignalSpy changed(list->listModel(), &QAbstractItemModel::dataChanged);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->rowRect(1).center()); // "-7"
    EXPECT_EQ(h.dialogs, 1);
    EXPECT_EQ(list->listModel()->row(1).mark, markText());
    EXPECT_EQ(PictureTone(list->listModel()->index(1, 0).data(LatestListModel::ToneRole).toInt()), PictureTone::Red);
    // The visible caption is repainted at once, not only the hidden mark column.
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().column(), 0);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 1);
    EXPECT_TRUE(w.catalogue().isTaken(0, 7));
    EXPECT_EQ(paintedColours(w, 3, 1), QSet<QRgb>{qRgb(255, 0, 0)});
}
