// What a screen reader meets on the window: a spoken name on every control of every page and dialog,
// the pictures' texts in the grid's cells, and rows that say they are shown only when their page is.
#include "gui/app/gui_platform.h"
#include "gui/app/splash_screen.h"
#include "window_harness.h"

#include <QAccessible>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

// Roles a user acts on, which are worthless to a screen reader without a name.
bool interactive(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::Button: case QAccessible::CheckBox: case QAccessible::RadioButton:
    case QAccessible::EditableText: case QAccessible::ComboBox: case QAccessible::List:
    case QAccessible::Table: case QAccessible::Tree: case QAccessible::PageTab:
    case QAccessible::ProgressBar: case QAccessible::Slider: case QAccessible::SpinBox:
    case QAccessible::MenuItem: case QAccessible::ButtonMenu: case QAccessible::ButtonDropDown:
    case QAccessible::Link: case QAccessible::Graphic:
        return true;
    default:
        return false;
    }
}

QString step(QAccessibleInterface *iface, int index)
{
    if (QObject *o = iface->object())
        return QString::fromLatin1(o->metaObject()->className()) + u'#' + o->objectName();
    return QStringLiteral("child%1(role %2)").arg(index).arg(int(iface->role()));
}

// Every unnamed control under iface, by its path of class#objectName. Cells of item views are left to
// their own checks: an empty cell of the grid's last row rightly says nothing.
void findUnnamed(QAccessibleInterface *iface, const QString &path, QStringList &unnamed)
{
    if (interactive(iface->role()) && iface->text(QAccessible::Name).trimmed().isEmpty())
        unnamed << path;
    if (iface->tableInterface())
        return;
    for (int i = 0; i < iface->childCount(); ++i) {
        if (QAccessibleInterface *child = iface->child(i))
            findUnnamed(child, path + u'/' + step(child, i), unnamed);
    }
}

QStringList unnamedUnder(QWidget *w)
{
    QStringList unnamed;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    findUnnamed(iface, step(iface, 0), unnamed);
    return unnamed;
}

QAccessibleInterface *firstCell(QWidget *view)
{
    QAccessibleTableInterface *table = QAccessible::queryAccessibleInterface(view)->tableInterface();
    return table && table->rowCount() > 0 ? table->cellAt(0, 0) : nullptr;
}

// A row a tool may click: said to be showing, inside the screen.
bool showing(QAccessibleInterface *cell)
{
    return cell && !cell->state().invisible && !cell->rect().isEmpty();
}

} // namespace

TEST(Accessibility, EveryControlOfEveryPageAndDialogHasASpokenName)
{
    QAccessible::setActive(true);
    WindowHarness h({2, 30, 1});
    DownloadDialog *download = nullptr;
    h.onDialog = [&](DownloadDialog &d) { download = &d; };
    LoginDialog *login = nullptr;
    h.onLogin = [&](LoginDialog &d) { login = &d; };
    MainWindow &w = h.start();
    clickPageEntry(w, 1); // a page button down, as a user leaves it
    // The walk reaches every page, shown or not.
    EXPECT_EQ(unnamedUnder(&w), QStringList());

    // The tabs say the captions the user sees and nothing else; a web tab whose page is not made yet
    // says its caption too.
    QAccessibleInterface *tabBar = QAccessible::queryAccessibleInterface(w.pages()->tabBar());
    QStringList spoken, shown;
    for (int i = 0; i < tabBar->childCount(); ++i) {
        if (tabBar->child(i)->role() == QAccessible::PageTab)
            spoken << tabBar->child(i)->text(QAccessible::Name);
    }
    for (int i = 0; i < w.pages()->count(); ++i) {
        if (w.pages()->isTabVisible(i))
            shown << w.pages()->tabText(i);
    }
    EXPECT_EQ(spoken, shown);
    for (int i = 2; i < w.pages()->count(); ++i)
        EXPECT_EQ(QAccessible::queryAccessibleInterface(w.pages()->widget(i))->text(QAccessible::Name), w.pages()->tabText(i));

    QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(w.galleryPage()->pageBar());
    ASSERT_EQ(bar->childCount(), int(w.galleryPage()->pageBar()->entries().size()));
    EXPECT_EQ(bar->child(1)->text(QAccessible::Name), w.galleryPage()->pageBar()->entries().at(1).caption);
    EXPECT_TRUE(bar->child(1)->state().checked);

    // Each cell says what it shows.
    PictureGrid *grid = w.galleryPage()->pictureGrid();
    QAccessibleInterface *cell = firstCell(grid);
    ASSERT_TRUE(cell);
    EXPECT_FALSE(cell->text(QAccessible::Name).isEmpty());
    EXPECT_EQ(cell->text(QAccessible::Name), grid->gridModel()->index(0, 0).data().toString());

    clickCell(grid, 2);
    ASSERT_TRUE(download);
    EXPECT_EQ(unnamedUnder(download), QStringList());
    download->reject();

    w.session().toggleZone();
    ASSERT_TRUE(waitUntil([&] { return login != nullptr; }, 5000));
    EXPECT_EQ(unnamedUnder(login), QStringList());
    login->reject();

    SplashScreen splash;
    EXPECT_EQ(unnamedUnder(&splash), QStringList());

    // The window's message boxes, as the real prompts show them.
    GuiPrompts prompts;
    prompts.setParent(&w);
    const std::function<void()> boxes[] = {
        [&] { prompts.ask(QStringLiteral("是否仍然继续下载?")); },
        [&] { prompts.warnYesNo(QStringLiteral("已存在。\n要替换它吗?")); },
        [&] { prompts.message(QStringLiteral("没有检索到相关数据!")); },
    };
    for (const auto &show : boxes) {
        QStringList inBox{"no box shown"};
        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                inBox = unnamedUnder(box);
                box->buttons().constLast()->click();
            }
        });
        show();
        EXPECT_EQ(inBox, QStringList());
    }
}

// Rows of a page that is not shown say so, and lie nowhere a tool could click; the page shown again,
// they are there again.
TEST(Accessibility, RowsOfAHiddenPageAreNotShowing)
{
    QAccessible::setActive(true);
    WindowHarness h;
    MainWindow &w = h.start();
    QWidget *galleryRows[] = {w.galleryPage()->latestList(), w.galleryPage()->pictureGrid()};
    QWidget *fileRows[] = {w.filePage()->fileList()};
    for (int page : {1, 0}) {
        w.pages()->setCurrentIndex(page);
        QCoreApplication::processEvents();
        for (QWidget *view : galleryRows)
            EXPECT_EQ(showing(firstCell(view)), page == 0) << view->objectName().toStdString() << " page " << page;
        for (QWidget *view : fileRows)
            EXPECT_EQ(showing(firstCell(view)), page == 1) << view->objectName().toStdString() << " page " << page;
    }
}
