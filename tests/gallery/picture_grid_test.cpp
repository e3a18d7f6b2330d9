#include "catalogue/records.h"
#include "catalogue/string_grid_model.h"
#include <QLabel>
#include <QPushButton>
#include "download/download_dialog.h"
#include "window_harness.h"

#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

// The colours a cell is painted with, its white background excluded.
QSet<QRgb> cellColours(TForm1 &f, int col, int row)
{
    QImage img(220, 20, QImage::Format_RGB32);
    img.fill(QColor(1, 2, 3));
    {
        QPainter p(&img);
        f.SGMainDrawCell(&p, col, row, img.rect());
    }
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = img.pixel(x, y) & 0xFFFFFF;
            if (px != 0xFFFFFF && px != 0x010203)
                colours.insert(px);
        }
    return colours;
}

enum class Hue { Blue, Red, Dark, Faint };

Hue hueOf(QRgb c)
{
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    if (b - std::max(r, g) > 100)
        return Hue::Blue;
    if (r - std::max(g, b) > 100)
        return Hue::Red;
    if (std::max({r, g, b}) < 90)
        return Hue::Dark;
    return Hue::Faint; // anti-aliased edges blended with the white background
}

// The text is drawn in the wanted colour and in no other.
bool only(const QSet<QRgb> &colours, QRgb wanted)
{
    QSet<Hue> strong;
    for (QRgb c : colours)
        if (hueOf(c) != Hue::Faint)
            strong.insert(hueOf(c));
    return strong == QSet<Hue>{hueOf(wanted)};
}

QPoint cellCentre(TForm1 &f, int col, int row)
{
    return f.SGMain->visualRect(f.SGMainModel->index(row, col)).center();
}

} // namespace

TEST(PictureGrid, ColoursTellEachPicturesState)
{
    WindowHarness h({1, 12, 1}); // record 0 a caption row, record 5 withdrawn
    TForm1 &f = h.start();
    ASSERT_TRUE(h.started);
    ASSERT_TRUE(f.cat.items(0).at(5).endsWith("|-1"));

    EXPECT_TRUE(only(cellColours(f, 1, 0), qRgb(0, 0, 255)));  // not taken
    EXPECT_TRUE(only(cellColours(f, 1, 1), qRgb(0, 0, 0)));    // record 5: withdrawn
    EXPECT_TRUE(only(cellColours(f, 0, 0), qRgb(255, 0, 0)));  // caption row
    f.cat.setMark(0, 2);
    EXPECT_TRUE(only(cellColours(f, 2, 0), qRgb(255, 0, 0)));  // taken
    f.cat.setMark(0, 5);
    EXPECT_TRUE(only(cellColours(f, 1, 1), qRgb(0, 0, 0)));    // withdrawn wins over taken
    EXPECT_FALSE(cellColours(f, 0, 0).contains(qRgb(0, 0, 255)));

    // The pointer turns a picture red, and moving off it turns it back.
    QTest::mouseMove(f.SGMain->viewport(), cellCentre(f, 3, 0));
    EXPECT_EQ(f.HoverCol, 3);
    EXPECT_EQ(f.HoverRow, 0);
    EXPECT_TRUE(only(cellColours(f, 3, 0), qRgb(255, 0, 0)));
    saveScreen(&f, "gallery-colours");
    QTest::mouseMove(f.SGMain->viewport(), cellCentre(f, 1, 0));
    EXPECT_TRUE(only(cellColours(f, 3, 0), qRgb(0, 0, 255)));
    // Cells past the end hold nothing and paint nothing.
    f.FillMainGrid(f.cat.items(0).mid(0, 10));
    ASSERT_EQ(f.SGMainModel->rowCount(), 3);
    EXPECT_TRUE(cellColours(f, 3, 2).isEmpty());
    EXPECT_FALSE(cellColours(f, 1, 2).isEmpty());
}

TEST(PictureGrid, ClicksOpenTheDialogForPicturesOnlyAndAlwaysMarkThem)
{
    WindowHarness h({1, 12, 1});
    QStringList shown;
    h.onModal = [&](QDialog &d) {
        auto &dlg = dynamic_cast<TfrmDownload &>(d);
        dlg.show();
        shown << dlg.Label2->text() + " / " + dlg.Label5->text();
        dlg.BitBtn3->click();
        return dlg.result();
    };
    TForm1 &f = h.start();
    QWidget *grid = f.SGMain->viewport();
    QTest::mouseClick(grid, Qt::LeftButton, {}, cellCentre(f, 1, 1)); // withdrawn
    QTest::mouseClick(grid, Qt::LeftButton, {}, cellCentre(f, 0, 0)); // caption row
    QTest::mouseClick(grid, Qt::RightButton, {}, cellCentre(f, 2, 0));
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_FALSE(f.cat.isMarked(0, 2));

    QTest::mouseClick(grid, Qt::LeftButton, {}, cellCentre(f, 2, 0));
    ASSERT_EQ(shown.size(), 1);
    const PictureRecord rec = PictureRecord::parse(f.cat.items(0).at(2));
    EXPECT_EQ(shown[0], gbk::decode(displayName(rec.fileName, rec.chineseName)) + " / " + gbk::decode(rec.time));
    EXPECT_TRUE(f.cat.isMarked(0, 2)); // cancelled, yet taken
    EXPECT_TRUE(h.shell.opened.isEmpty());
}

TEST(LatestList, AClickedRowTurnsRedAndMarksThePictureInTheGrid)
{
    WindowHarness h({1, 12, 1});
    h.writePage(0, makeRecords(12), {"3", "-7", "9"});
    int dialogs = 0;
    h.onModal = [&](QDialog &) { ++dialogs; return int(TfrmDownload::mrCancel); };
    TForm1 &f = h.start();
    ASSERT_EQ(f.TopList->topLevelItemCount(), 3);
    QTreeWidgetItem *row = f.TopList->topLevelItem(1); // "-7"
    EXPECT_EQ(f.TopListCustomDrawItem(row), QColor(0, 0, 255));
    const QRect r = f.TopList->visualItemRect(row);
    QTest::mouseClick(f.TopList->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(row->text(2), "√");
    EXPECT_EQ(f.TopListCustomDrawItem(row), QColor(255, 0, 0));
    EXPECT_TRUE(f.cat.isMarked(0, 7));
    EXPECT_TRUE(only(cellColours(f, 3, 1), qRgb(255, 0, 0)));
}

TEST(PictureGrid, WheelDownScrollsTheVisibleGridOneRow)
{
    WindowHarness h({1, 400, 1});
    TForm1 &f = h.start();
    QScrollBar *bar = f.SGMain->verticalScrollBar();
    ASSERT_EQ(bar->value(), 0);
    QWheelEvent down(QPointF(20, 20), f.SGMain->viewport()->mapToGlobal(QPointF(20, 20)), {}, QPoint(0, -120),
                     Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(f.SGMain->viewport(), &down);
    EXPECT_EQ(bar->value(), 1);
    f.FormMouseWheelDown();
    EXPECT_EQ(bar->value(), 2);
}
