// The window as a user meets it: titles, placement, Chinese buttons, where the wheel and right clicks
// go, and a window that stays usable while a server hangs.
#include "gui/app/gui_platform.h"
#include "gui/app/loading_popup.h"
#include "gui/app/web_tab_host.h"
#include "gui/app/window_status_bar.h"
#include "gui/download/download_dialog.h"
#include "gui/download/file_page.h"
#include "gui/server/server_bar.h"
#include "gui/gallery/category_bar.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/picture_grid.h"
#include "core/gallery/picture_grid_model.h"
#include "window_harness.h"

#include <QApplication>
#include <QLabel>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QCursor>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

library::InitOptions small() { return {3, 30, 1}; }

// Counts the mouse presses and context-menu requests that reach it.
class PressCounter : public QWidget
{
public:
    using QWidget::QWidget;
    int presses = 0;
    int menus = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++presses; }
    void contextMenuEvent(QContextMenuEvent *) override { ++menus; }
};

void press(QWidget *w, Qt::MouseButton button)
{
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), button, button, {});
    QApplication::sendEvent(w, &e);
    if (button == Qt::RightButton) {
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(w, &menu);
    }
}

void wheel(QWidget *w, int dy)
{
    QWheelEvent e(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, dy), Qt::NoButton, {}, Qt::NoScrollPhase,
                  false);
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST(Window, TitlesAreExactlyTheirCaptionsButtonsSpeakChineseAndTheWindowOpensCentred)
{
    setUpApplication(*qApp);
    // A display name would be appended to every window title ("… — 图库").
    EXPECT_EQ(QApplication::applicationDisplayName(), QApplication::applicationName());
    QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith("是"));
    EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith("否"));
    EXPECT_TRUE(box.button(QMessageBox::Ok)->text().startsWith("确定"));

    WindowHarness h(small());
    MainWindow &w = h.start();
    EXPECT_EQ(w.windowTitle(), "图库Kestrin欢迎您的光临");
    h.window->hide();
    h.window->resize(400, 300);
    w.showCentred();
    const QRect screen = w.screen()->availableGeometry();
    EXPECT_LE((w.frameGeometry().center() - screen.center()).manhattanLength(), 2);
}

TEST(Window, RightClicksAreSwallowedInsideTheWebPagesOnly)
{
    WindowHarness h(small());
    MainWindow &w = h.start();
    auto *page = new PressCounter(new QWidget(w.webTabs()->browserHost(2)));
    auto *elsewhere = new PressCounter(w.galleryPage());
    press(page, Qt::RightButton);
    press(page, Qt::LeftButton);
    press(elsewhere, Qt::RightButton);
    EXPECT_EQ(page->presses, 1);
    EXPECT_EQ(page->menus, 0);
    EXPECT_EQ(elsewhere->presses, 1);
    EXPECT_EQ(elsewhere->menus, 1);
}

TEST(Window, TheWheelDownScrollsTheGridFromAnywhereAndNeverTurnsThePages)
{
    WindowHarness h({1, 400, 1});
    MainWindow &w = h.start();
    PictureGrid *grid = w.galleryPage()->pictureGrid();
    QScrollBar *bar = grid->verticalScrollBar();
    ASSERT_EQ(bar->value(), 0);
    wheel(grid->viewport(), -120);
    EXPECT_EQ(bar->value(), 1);
    wheel(&w, -120); // what reaches the window from elsewhere: the visible grid scrolls one row
    EXPECT_EQ(bar->value(), 2);
    wheel(w.pages()->tabBar(), -120);
    wheel(w.pages()->tabBar(), 120);
    EXPECT_EQ(w.pages()->currentIndex(), 0);
    EXPECT_EQ(bar->value(), 3);

    // The red cell is the one under the pointer, also when the rows move beneath a still pointer.
    const QPoint at = grid->cellRect(2, 4).center();
    QCursor::setPos(grid->viewport()->mapToGlobal(at));
    QTest::mouseMove(grid->viewport(), at);
    const int row = grid->hoverRow();
    wheel(grid->viewport(), -120);
    EXPECT_EQ(grid->hoverRow(), row + 1);
    EXPECT_EQ(grid->hoverColumn(), 2);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(grid->viewport(), &leave);
    EXPECT_EQ(grid->hoverRow(), -1);
}

TEST(Window, TheServerBarsOfBothPagesShowOneChoice)
{
    WindowHarness h(small());
    MainWindow &w = h.start();
    ServerBar *gallery = w.galleryPage()->serverBar();
    ServerBar *files = w.filePage()->serverBar();
    files->carrierButton(1)->click();
    files->libraryButton(2)->click();
    EXPECT_TRUE(gallery->carrierButton(1)->isChecked());
    EXPECT_FALSE(gallery->carrierButton(0)->isChecked());
    EXPECT_TRUE(gallery->libraryButton(2)->isChecked());
    EXPECT_EQ(w.serverChoice().serverIndex(), 5);
    gallery->carrierButton(0)->click();
    EXPECT_TRUE(files->carrierButton(0)->isChecked());
    EXPECT_EQ(w.serverChoice().serverIndex(), 2);
    w.serverChoice().setSpeedText(1, "500 KB/s");
    EXPECT_EQ(gallery->speedLabel(1)->text(), "500 KB/s");
    EXPECT_EQ(files->speedLabel(1)->text(), "500 KB/s");
}

TEST(Window, StatusPanelsKeepTheirWidthsAndTheWindowItsDesignSize)
{
    WindowHarness h(small());
    MainWindow &w = h.start();
    w.resize(963, 742);
    EXPECT_EQ(w.width(), 963);
    const int widths[] = {200, 150, 300};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(w.windowStatusBar()->panel(WindowStatusBar::Panel(i))->width(), widths[i]) << i;
    // The progress panel is 500 wide where the window has room, and ends at its edge where it has not:
    // cut off, a bar half done would look complete.
    const QWidget *progress = w.windowStatusBar()->panel(WindowStatusBar::ProgressPanel);
    EXPECT_LE(progress->mapTo(&w, QPoint(progress->width(), 0)).x(), w.width());
    EXPECT_GT(progress->width(), 250);
    w.resize(1400, 742);
    EXPECT_EQ(progress->width(), 500);
}

TEST(Responsiveness, ACategoryThatHangsNeverHoldsTheUserBack)
{
    WindowHarness h(small());
    MainWindow &w = h.start();
    h.setFaults({"/kq/Page1.dat hang"});
    QSignalSpy shown(&w, &MainWindow::categoryShown);
    const QList<QToolButton *> &buttons = w.galleryPage()->categoryBar()->buttons();
    buttons[1]->click();
    EXPECT_TRUE(w.loadingPopup()->isVisible());
    QTest::qWait(200);
    // The file page opens while the page hangs, and another category wins over the hung one.
    QTest::mouseClick(w.pages()->tabBar(), Qt::LeftButton, {}, w.pages()->tabBar()->tabRect(1).center());
    EXPECT_EQ(w.pages()->currentIndex(), 1);
    w.pages()->setCurrentIndex(0);
    buttons[2]->click();
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_EQ(shown.takeFirst().first().toInt(), 2);
    EXPECT_FALSE(w.loadingPopup()->isVisible());
    EXPECT_EQ(w.catalogue().current, 2);
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->category(), 2);
    EXPECT_TRUE(buttons[2]->font().bold());
    h.lib.server().clearFaults(); // the hung answer arrives now and must change nothing
    QTest::qWait(300);
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->category(), 2);
    EXPECT_FALSE(w.catalogue().categories[1].items.has_value());
}

TEST(Responsiveness, ClosingWhileAServerHangsIsQuickAndStillWritesTheSettings)
{
    WindowHarness h(small());
    MainWindow &w = h.start();
    h.setFaults({"/kq/Page1.dat hang"});
    w.galleryPage()->categoryBar()->buttons()[1]->click();
    QTest::qWait(100);
    QElapsedTimer clock;
    clock.start();
    w.close();
    h.window.reset();
    EXPECT_LT(clock.elapsed(), 1000);
    QSettings written(h.settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(written.value("LastSavepath").toString(), h.desktop());
}
