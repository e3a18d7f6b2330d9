// The window as a user meets it: Chinese buttons, placement and layout, where the wheel goes, and a
// window that stays usable while a server hangs. Right clicks in the web pages: web_tests.
#include "gui/app/gui_platform.h"
#include "gui/app/loading_popup.h"
#include "window_harness.h"

#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QSettings>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

void wheel(QWidget *w, int dy)
{
    QWheelEvent e(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, dy), Qt::NoButton, {}, Qt::NoScrollPhase,
                  false);
    QApplication::sendEvent(w, &e);
}

QRect inWindow(MainWindow &w, const QWidget *c) { return QRect(c->mapTo(&w, QPoint(0, 0)), c->size()); }

// Captions on the shown pages whose text does not fit their control in the font they are drawn in.
QStringList cutCaptions(QWidget *root)
{
    QStringList cut;
    for (QWidget *c : root->findChildren<QWidget *>()) {
        if (!c->isVisibleTo(root))
            continue;
        QString text;
        QSize needed, room = c->size();
        if (auto *label = qobject_cast<QLabel *>(c)) {
            text = label->text();
            needed = label->wordWrap() ? QSize(c->width(), label->heightForWidth(c->width())) : label->sizeHint();
        } else if (auto *button = qobject_cast<QAbstractButton *>(c)) {
            text = QString(button->text()).remove(QLatin1Char('&'));
            needed = QSize(c->fontMetrics().horizontalAdvance(text), c->fontMetrics().height());
            if (qobject_cast<QCheckBox *>(c) || qobject_cast<QRadioButton *>(c))
                room.rwidth() -= c->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, c) +
                                 c->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, c);
        }
        if (!text.isEmpty() && (needed.width() > room.width() || needed.height() > room.height()))
            cut << QStringLiteral("%1 \"%2\" needs %3x%4 in %5x%6")
                       .arg(c->objectName(), text)
                       .arg(needed.width())
                       .arg(needed.height())
                       .arg(room.width())
                       .arg(room.height());
    }
    return cut;
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

    WindowHarness h;
    MainWindow &w = h.start();
    w.hide();
    w.resize(400, 300);
    w.showCentred();
    EXPECT_LE((w.frameGeometry().center() - w.screen()->availableGeometry().center()).manhattanLength(), 2);
}

// At the smallest size and wider, what the user clicks or reads lies inside the window and clear of
// the rest: the page tabs and the two tick boxes level with them, the category buttons, the status
// panels, and the progress bar within the last of them (cut off, a bar half done would look done).
TEST(Window, ControlsStayInsideTheWindowAndClearOfEachOther)
{
    WindowHarness h({3, 30, 1});
    MainWindow &w = h.start();
    for (const QSize size : {w.minimumSize(), QSize(1400, 800)}) {
        w.resize(size);
        QCoreApplication::processEvents();
        QList<QRect> controls{inWindow(w, w.soundBox()), inWindow(w, w.chineseNamesBox())};
        QTabBar *tabs = w.pages()->tabBar();
        for (int i = 0; i < 6; ++i)
            controls << tabs->tabRect(i).translated(tabs->mapTo(&w, QPoint(0, 0)));
        for (QToolButton *b : w.galleryPage()->categoryBar()->buttons())
            controls << inWindow(w, b);
        for (int i = 0; i < 4; ++i)
            controls << inWindow(w, w.windowStatusBar()->panel(WindowStatusBar::Panel(i)));
        for (int i = 0; i < controls.size(); ++i) {
            const QRect &r = controls[i]; // across inside the window; the status panels may lose a pixel row
            EXPECT_TRUE(r.left() >= 0 && r.right() < w.width() && r.top() >= 0 && r.center().y() < w.height())
                << i << " at " << size.width();
            for (int j = 0; j < i; ++j)
                EXPECT_FALSE(controls[i].intersects(controls[j])) << i << " and " << j << " at " << size.width();
        }
        EXPECT_TRUE(controls.last().contains(inWindow(w, w.windowStatusBar()->progressBar())));
    }
}

// Whatever the screen, scale factor or font size: the window fits its screen, each control of either
// page can be scrolled into view at its full size, and no caption is cut. The test list runs it again
// with a large scale factor and a large font.
TEST(Window, FitsItsScreenWithEveryControlWithinReachAndNoCaptionCut)
{
    WindowHarness h;
    MainWindow &w = h.start();
    w.hide();
    w.resize(963, 742);
    w.showCentred();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.screen()->availableGeometry().contains(w.frameGeometry()))
        << w.frameGeometry().width() << "x" << w.frameGeometry().height() << " on "
        << w.screen()->availableGeometry().width() << "x" << w.screen()->availableGeometry().height();
    auto *area = w.findChild<QScrollArea *>(QStringLiteral("pagesArea"));
    ASSERT_TRUE(area);
    QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"));
    if (qEnvironmentVariableIsSet("QT_FONT_DPI"))
        scale += QStringLiteral("-font-dpi-") + qEnvironmentVariable("QT_FONT_DPI");
    for (int page = 0; page < 2; ++page) {
        w.pages()->setCurrentIndex(page);
        QCoreApplication::processEvents();
        QWidget *shown = w.pages()->currentWidget();
        EXPECT_EQ(cutCaptions(shown), QStringList()) << "page " << page;
        for (QWidget *c : shown->findChildren<QWidget *>()) {
            if (c->isVisibleTo(&w) && c->focusPolicy() != Qt::NoFocus && !c->parentWidget()->inherits("QAbstractScrollArea"))
                EXPECT_TRUE(shown->rect().contains(QRect(c->mapTo(shown, QPoint(0, 0)), c->size())))
                    << c->objectName().toStdString() << " cut by its page " << page;
        }
        // The pages keep the size they are laid out for, and the area scrolls over all of them.
        EXPECT_GE(w.pages()->width(), w.pages()->minimumWidth());
        EXPECT_GE(w.pages()->height(), w.pages()->minimumHeight());
        EXPECT_GE(area->horizontalScrollBar()->maximum(), w.pages()->width() - area->viewport()->width());
        EXPECT_GE(area->verticalScrollBar()->maximum(), w.pages()->height() - area->viewport()->height());
        saveScreen(&w, QStringLiteral("window-scale-%1-page-%2").arg(scale).arg(page));
    }
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

// Tab walks each page's controls in the order they stand on the screen and comes round again; the
// page bar is one stop, whose arrows choose the entry that Return presses.
TEST(Window, TabVisitsEveryControlInScreenOrder)
{
    WindowHarness h;
    MainWindow &w = h.start();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const auto walk = [&] {
        QWidget *start = w.pages()->tabBar();
        start->setFocus(Qt::TabFocusReason);
        QStringList visited;
        for (int i = 0; i < 50 && QApplication::focusWidget(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (QApplication::focusWidget() == start)
                break;
            visited << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "<none>");
        }
        return visited;
    };
    // A group of which one is chosen (carriers, libraries, categories) is one stop; its arrows choose.
    const QStringList top{"chineseNamesBox", "soundBox"};
    const QStringList gallery = top + QStringList{"firstCarrierButton", "refreshButton", "library1Button",
                                                  "speedTestButton", "categoryButton0", "zoneButton", "searchEdit",
                                                  "searchButton", "savePathEdit", "browseButton", "pageBar",
                                                  "pictureGrid", "latestList"};
    EXPECT_EQ(walk(), gallery);
    w.pages()->setCurrentIndex(1);
    const QStringList files = top + QStringList{"categoryTabs", "fileList", "refreshButton", "autoOpenBox",
                                                "autoQueueBox", "library1Button", "speedTestButton",
                                                "secondCarrierButton", "searchEdit", "searchButton", "queueList",
                                                "searchResults", "chooseFolderButton", "folderView"};
    EXPECT_EQ(walk(), files);
    QRadioButton *library1 = w.filePage()->serverBar()->libraryButton(0);
    library1->setFocus(Qt::TabFocusReason);
    QTest::keyClick(library1, Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), w.filePage()->serverBar()->libraryButton(1));
    EXPECT_EQ(w.serverChoice().library(), 1);

    w.pages()->setCurrentIndex(0);
    PageBar *bar = w.galleryPage()->pageBar();
    bar->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(bar->hasFocus());
    QTest::keyClick(bar, Qt::Key_End);
    saveScreen(&w, "page-bar-keyboard");
    QTest::keyClick(bar, Qt::Key_Return);
    EXPECT_EQ(w.galleryPage()->currentPage(), 1);
    EXPECT_TRUE(bar->entries().last().checked);
    QTest::keyClick(bar, Qt::Key_Left);
    QTest::keyClick(bar, Qt::Key_Space);
    EXPECT_EQ(w.galleryPage()->currentPage(), 0);
}

// While a category hangs the loading popup shows, the file page still opens, and another category's
// button wins over the hung one.
TEST(Responsiveness, ACategoryThatHangsNeverHoldsTheUserBack)
{
    WindowHarness h({3, 30, 1});
    MainWindow &w = h.start();
    h.setFaults({"/kq/Page1.dat hang"});
    QSignalSpy shown(&w, &MainWindow::categoryShown);
    const QList<QToolButton *> &buttons = w.galleryPage()->categoryBar()->buttons();
    buttons[1]->click();
    EXPECT_TRUE(w.loadingPopup()->isVisible());
    QTest::qWait(200);
    QTest::mouseClick(w.pages()->tabBar(), Qt::LeftButton, {}, w.pages()->tabBar()->tabRect(1).center());
    EXPECT_EQ(w.pages()->currentIndex(), 1);
    w.pages()->setCurrentIndex(0);
    buttons[2]->click();
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_EQ(shown.takeFirst().first().toInt(), 2);
    EXPECT_FALSE(w.loadingPopup()->isVisible());
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->category(), 2);
    EXPECT_TRUE(buttons[2]->font().bold() && !buttons[1]->font().bold());
    h.lib.server().clearFaults();
}

TEST(Responsiveness, ClosingWhileAServerHangsStillWritesTheSettings)
{
    WindowHarness h;
    MainWindow &w = h.start();
    h.setFaults({"/kq/Page1.dat hang"});
    w.galleryPage()->categoryBar()->buttons()[1]->click();
    QTest::qWait(100);
    // The load is dropped, not waited out: a close that waited would see it fail at its time-out.
    QSignalSpy loads(&w.session().loader(), &CategoryLoader::finished);
    w.close();
    EXPECT_FALSE(w.session().loader().isLoading());
    EXPECT_TRUE(loads.isEmpty());
    h.window.reset();
    QSettings written(h.settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(written.value("LastSavepath").toString(), h.desktop());
}
