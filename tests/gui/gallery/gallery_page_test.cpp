// The gallery page in the real window against the library server: page and category buttons, what
// the grid and the latest list show, and what clicks on them do.
#include "window_harness.h"

#include <QAccessible>
#include <QScrollBar>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

const QRgb kBlue = qRgb(0, 0, 255), kRed = qRgb(255, 0, 0), kBlack = qRgb(0, 0, 0);

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
                colours.insert(kBlue);
            else if (r - std::max(g, b) > 100)
                colours.insert(kRed);
            else if (std::max({r, g, b}) < 90)
                colours.insert(kBlack);
        }
    return colours;
}

QColor textColour(QToolButton *b) { return b->palette().color(QPalette::ButtonText); }

} // namespace

TEST(GalleryPage, PageButtonsShowTheirSliceFromTheTop)
{
    WindowHarness h({1, 10, 1});
    h.writePage(0, makeRecords(481), {"1"});
    MainWindow &w = h.start();
    GalleryPage *g = w.galleryPage();
    const PictureGridModel *grid = g->pictureGrid()->gridModel();
    QScrollBar *scroll = g->pictureGrid()->verticalScrollBar();
    ASSERT_EQ(g->pageBar()->entries().size(), 4);
    scroll->setValue(50);
    clickPageEntry(w, 3);
    EXPECT_EQ(g->currentPage(), 3);
    EXPECT_TRUE(g->pageBar()->entries()[3].checked);
    EXPECT_FALSE(g->pageBar()->entries()[0].checked);
    ASSERT_EQ(grid->recordCount(), 1);
    EXPECT_EQ(grid->cell(0, 0).toByteArray(), makeRecords(481)[480]);
    clickPageEntry(w, 1);
    EXPECT_EQ(grid->recordCount(), 240);
    scroll->setValue(30);
    clickPageEntry(w, 2);
    EXPECT_EQ(scroll->value(), 0); // a new page shows from its top row
    clickPageEntry(w, 0);
    EXPECT_EQ(grid->recordCount(), 481);
}

// The configured names (GBK) on the buttons and on the file page's tabs; a click loads its category
// once and shows it from "全部", its button red and bold, its tab current.
TEST(GalleryPage, CategoryButtonsCarryTheConfiguredNamesAndShowTheirCategory)
{
    WindowHarness h({3, 30, 1});
    MainWindow &w = h.start();
    GalleryPage *gallery = w.galleryPage();
    const QList<QToolButton *> &buttons = gallery->categoryBar()->buttons();
    ASSERT_EQ(buttons.size(), 4);
    QTabBar *tabs = w.filePage()->categoryTabs();
    ASSERT_EQ(tabs->count(), 3);
    const QStringList names{"建筑图纸", "東区机械", "电气图纸"}; // as the sample library names them
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(buttons[i]->text(), names[i]);
        EXPECT_EQ(tabs->tabText(i), names[i]);
    }
    EXPECT_EQ(buttons[3]->text(), "进入自选专区");

    clickPageEntry(w, 1);
    h.lib.server().clearLog();
    h.showCategory(1);
    EXPECT_EQ(requestsFor(h.lib.server(), "/kq/Page1.dat"), 1);
    EXPECT_EQ(gallery->currentPage(), 0);
    EXPECT_EQ(gallery->pageBar()->entries().size(), 2);
    EXPECT_EQ(gallery->pictureGrid()->gridModel()->category(), 1);
    EXPECT_TRUE(buttons[1]->font().bold() && buttons[1]->isChecked());
    EXPECT_EQ(textColour(buttons[1]), QColor(255, 0, 0));
    EXPECT_FALSE(buttons[0]->font().bold() || buttons[0]->isChecked());
    EXPECT_EQ(textColour(buttons[0]), QColor(0, 0, 0));
    EXPECT_EQ(tabs->currentIndex(), 1);
}

// The current category's button changes nothing, unless search results are shown; the zone button
// never stays down.
TEST(GalleryPage, TheCurrentCategoryReloadsOnlyWhileSearchResultsAreShown)
{
    WindowHarness h({2, 300, 1});
    MainWindow &w = h.start();
    GalleryPage *g = w.galleryPage();
    clickPageEntry(w, 2);
    g->categoryBar()->buttons()[0]->click();
    QTest::qWait(100);
    EXPECT_EQ(g->currentPage(), 2);
    g->searchEdit()->setText(QString::fromLatin1(fileNameAt(w, 9)));
    g->searchButton()->click();
    h.showCategory(0);
    EXPECT_EQ(requestsFor(h.lib.server(), "/kq/Page0.dat"), 2); // start-up's and this one
    EXPECT_TRUE(g->currentPage() == 0 && g->pageBar()->entries()[0].checked);
    EXPECT_EQ(g->pictureGrid()->gridModel()->recordCount(), 300);
    QToolButton *zone = g->categoryBar()->zoneButton();
    zone->click();
    EXPECT_FALSE(zone->isChecked());
}

TEST(GalleryPage, ColoursTellEachPicturesStateAndThePointerTurnsOneRed)
{
    WindowHarness h({1, 12, 1}); // record 0 a caption row, record 5 withdrawn
    MainWindow &w = h.start();
    ASSERT_TRUE(w.catalogue().items(0).at(5).endsWith("|-1"));
    w.session().markTaken(0, 2);
    const struct
    {
        int col, row;
        QRgb colour;
    } cells[] = {{1, 0, kBlue}, {1, 1, kBlack}, {0, 0, kRed}, {2, 0, kRed}}; // free, withdrawn, caption, taken
    for (const auto &c : cells)
        EXPECT_EQ(paintedColours(w, c.col, c.row), QSet<QRgb>{c.colour}) << c.col << "," << c.row;

    PictureGrid *grid = w.galleryPage()->pictureGrid();
    QTest::mouseMove(grid->viewport(), grid->cellRect(3, 0).center());
    EXPECT_EQ(grid->hoverColumn(), 3);
    EXPECT_EQ(paintedColours(w, 3, 0), QSet<QRgb>{kRed});
    saveScreen(&w, "gallery-colours");
    QTest::mouseMove(grid->viewport(), grid->cellRect(1, 0).center());
    EXPECT_EQ(paintedColours(w, 3, 0), QSet<QRgb>{kBlue});
    grid->showRecords(0, w.catalogue().items(0).mid(0, 10), true, 0);
    EXPECT_TRUE(paintedColours(w, 3, 2).isEmpty()); // past the end: nothing
    EXPECT_FALSE(paintedColours(w, 1, 2).isEmpty());
}

// A megabyte of name is cut everywhere it shows (the cell itself is cut by the look rule, tested
// without a window), and painting it does not stall the window.
TEST(GalleryPage, AMegabyteRecordIsCutInTheTooltipAndTheLatestList)
{
    WindowHarness h({1, 4, 1});
    QList<QByteArray> records = makeRecords(4);
    records[1] = "1\t" + QByteArray(4 << 20, 'W') + "|" + g("大") + "|t";
    h.writePage(0, records, {"1", "2"});
    MainWindow &w = h.start();
    const PictureGridModel *grid = w.galleryPage()->pictureGrid()->gridModel();
    EXPECT_LT(grid->data(grid->index(0, 1), Qt::ToolTipRole).toString().size(), 2000);
    const LatestListModel *latest = w.galleryPage()->latestList()->listModel();
    EXPECT_LT(latest->data(latest->index(1, 0)).toString().size(), 2000);
    EXPECT_EQ(paintedColours(w, 1, 0), QSet<QRgb>{kBlue});
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
    PictureGrid *grid = w.galleryPage()->pictureGrid();
    clickCell(grid, 5); // withdrawn
    clickCell(grid, 0); // caption row
    clickCell(grid, 2, Qt::RightButton);
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_FALSE(w.catalogue().isTaken(0, 2));

    clickCell(grid, 2);
    ASSERT_EQ(shown.size(), 1);
    const PictureRecord rec = PictureRecord::parse(w.catalogue().items(0).at(2));
    EXPECT_EQ(shown[0], gbk::decode(displayName(rec.fileName, rec.chineseName)) + " / " + gbk::decode(rec.time));
    EXPECT_TRUE(w.catalogue().isTaken(0, 2)); // cancelled, yet taken
}

// The latest list shows name and time of the entries, newest first, a signed entry as its picture;
// a picked row turns red at once, its caption repainted, and so does its picture in the grid.
TEST(GalleryPage, TheLatestListShowsItsEntriesAndAPickedRowTurnsRedAtOnce)
{
    WindowHarness h({1, 12, 1});
    h.writePage(0, makeRecords(12), {"3", "-7", "9"});
    h.onDialog = [](DownloadDialog &d) { d.cancelButton()->click(); };
    MainWindow &w = h.start();
    PictureList *list = w.galleryPage()->latestList();
    const LatestListModel *model = list->listModel();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->data(model->index(0, 0)).toString(), "A9  图9");
    EXPECT_EQ(model->data(model->index(1, 0)).toString(), "A7  图7");
    EXPECT_EQ(model->data(model->index(1, 1)).toString(), "2026-12-01 10:00");
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->rowRect(1).center());
    EXPECT_EQ(h.dialogs, 1);
    EXPECT_EQ(model->row(1).mark, markText());
    EXPECT_EQ(PictureTone(model->index(1, 0).data(LatestListModel::ToneRole).toInt()), PictureTone::Red);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().column(), 0);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 1);
    EXPECT_TRUE(w.catalogue().isTaken(0, 7));
    EXPECT_EQ(paintedColours(w, 3, 1), QSet<QRgb>{kRed});
}

// The keyboard's current cell is framed (only while the grid has the focus); arrows move it, Page
// keys scroll, and Return or Space act on it as the left button does: the dialog for a picture, nothing
// for the heading row, and a tick in the selection editor.
TEST(GalleryPage, KeysMoveAFramedCurrentCellAndActOnItAsTheMouseDoes)
{
    WindowHarness h({1, 400, 1});
    QStringList shown;
    h.onDialog = [&](DownloadDialog &d) {
        shown << d.nameLabel()->text();
        d.cancelButton()->click();
    };
    h.onLogin = [](LoginDialog &d) { typeLogin(d, "li", "pw"); };
    MainWindow &w = h.start();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    GalleryPage *g = w.galleryPage();
    PictureGrid *grid = g->pictureGrid();
    QScrollBar *scroll = grid->verticalScrollBar();
    const auto framed = [](PictureGrid *grid, int col, int row) {
        const QImage img = grid->viewport()->grab(grid->cellRect(col, row)).toImage();
        int navy = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb px = img.pixel(x, y);
                navy += qRed(px) < 40 && qGreen(px) < 40 && qBlue(px) > 90 && qBlue(px) < 170;
            }
        return navy > img.width(); // a frame, not a stray pixel of text
    };
    grid->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(grid->hasFocus());
    grid->setCurrentIndex(grid->gridModel()->index(0, 0));
    const struct
    {
        Qt::Key key;
        int col, row;
    } moves[] = {{Qt::Key_Right, 1, 0}, {Qt::Key_Right, 2, 0}, {Qt::Key_Down, 2, 1}, {Qt::Key_Left, 1, 1},
                 {Qt::Key_Up, 1, 0}};
    int col = 0, row = 0;
    for (const auto &m : moves) {
        QTest::keyClick(grid, m.key);
        EXPECT_EQ(grid->currentIndex(), grid->gridModel()->index(m.row, m.col)) << m.key;
        EXPECT_TRUE(framed(grid, m.col, m.row)) << m.key;
        EXPECT_FALSE(framed(grid, col, row)) << m.key;
        col = m.col;
        row = m.row;
    }
    saveScreen(&w, "grid-keyboard-cell");
    h.reload(); // the same records brought up to date: the keyboard keeps its place
    h.settle();
    EXPECT_EQ(grid->currentIndex(), grid->gridModel()->index(row, col));
    // The first Page Down goes to the bottom of what shows, the next a page further.
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(grid, Qt::Key_PageDown);
    EXPECT_GT(scroll->value(), 10);
    EXPECT_GT(grid->currentIndex().row(), scroll->value());
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(grid, Qt::Key_PageUp);
    EXPECT_EQ(scroll->value(), 0);

    // Return and Space as the left button: record 1 and then record 2; the heading row opens nothing.
    const struct
    {
        Qt::Key key;
        int col;
        qsizetype dialogs;
    } acts[] = {{Qt::Key_Return, 1, 1}, {Qt::Key_Space, 2, 2}, {Qt::Key_Return, 0, 2}};
    for (const auto &a : acts) {
        grid->setCurrentIndex(grid->gridModel()->index(0, a.col));
        grid->setFocus();
        QTest::keyClick(grid, a.key);
        ASSERT_TRUE(h.waitDialogClosed());
        EXPECT_EQ(shown.size(), a.dialogs) << a.key << " on " << a.col;
    }
    ASSERT_EQ(shown.size(), 2);
    for (int k : {1, 2}) {
        const PictureRecord rec = PictureRecord::parse(w.catalogue().items(0).at(k));
        EXPECT_EQ(shown[k - 1], gbk::decode(displayName(rec.fileName, rec.chineseName))) << k;
        EXPECT_TRUE(w.catalogue().isTaken(0, k)) << k;
    }
    grid->clearFocus();
    EXPECT_FALSE(framed(grid, 0, 0));

    // The selection editor: Space ticks the current picture, Return ticks it off again.
    g->categoryBar()->zoneButton()->click();
    ASSERT_TRUE(g->isEditing());
    PictureGrid *editor = g->selectionGrid();
    editor->setFocus(Qt::TabFocusReason);
    editor->setCurrentIndex(editor->gridModel()->index(0, 0));
    QTest::keyClick(editor, Qt::Key_Right);
    QTest::keyClick(editor, Qt::Key_Space);
    EXPECT_TRUE(editor->cellLook(1, 0).bold);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(editor->cellLook(1, 0).bold);
}

// A server's caption is shown and spoken as written: an "&" in it neither vanishes nor becomes an Alt key.
TEST(GalleryPage, AnAmpersandInACategoryCaptionIsACharacterNotAShortcut)
{
    CategoryBar bar;
    const QStringList captions{QStringLiteral("水&电"), QStringLiteral("图&&纸"), QStringLiteral("A&B")};
    bar.setCategories(captions);
    for (int i = 0; i < captions.size(); ++i) {
        QToolButton *b = bar.buttons()[i];
        EXPECT_EQ(QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name), captions[i]);
        EXPECT_TRUE(b->shortcut().isEmpty()) << captions[i].toStdString();
    }
}
