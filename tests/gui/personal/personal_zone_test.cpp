// The personal zone and the search in the real window, with "MySelect.ini" in a temporary documents
// folder: the login dialog, the zone's look, the selection editor's clicks, leaving, and searching.
// The zone's states and the store's format are tested without a window (session_tests, catalogue_tests).
#include "window_harness.h"

#include <QAccessible>
#include <QFile>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

QString storePath(WindowHarness &h) { return h.documents() + "/MySelect.ini"; }

void clickZoneButton(MainWindow &w) { w.galleryPage()->categoryBar()->zoneButton()->click(); }

} // namespace

TEST(PersonalZone, ANewNameRegistersThroughTheLoginDialogAndTheEditorOpensEmpty)
{
    WindowHarness h;
    QDir(h.documents()).removeRecursively(); // made when the store is first written
    h.onLogin = [&](LoginDialog &d) {
        saveScreen(&d, "login-dialog");
        EXPECT_EQ(d.windowTitle(), "登陆专区");
        EXPECT_EQ(d.codeLabel()->text(), "4321");
        typeLogin(d, "", "", "4320"); // every check speaks, in order; the dialog stays
        typeLogin(d, QString::fromUtf8(" 张三 "), " secret ");
    };
    MainWindow &w = h.start();
    clickZoneButton(w);
    EXPECT_EQ(h.prompts.shown,
              (QStringList{"message: 请输入用户名！", "message: 请输入密码！", "message: 验证码输入错误！",
                           "message: 用户注册成功！您的用户名：[张三] 密码：[secret]",
                           "warning: 警告提示：您的自选区设置完毕后资料将自动保存到“我的文档”中的“MySelect.ini”文件中，请您自己要备份好，以免换系统找不到专区。"}));
    EXPECT_EQ(readAll(storePath(h)), "[PELMARQ_" + g("张三") + "]\r\nUserPassword=secret\r\nUserSelect=\r\n");
    EXPECT_EQ(panelText(w, WindowStatusBar::UserPanel), "欢迎您， 张三");
    EXPECT_EQ(w.galleryPage()->categoryBar()->zoneButton()->text(), "退出专区");
    EXPECT_TRUE(w.galleryPage()->isEditing());
    ASSERT_EQ(w.galleryPage()->pageBar()->entries().size(), 4);
    EXPECT_EQ(w.galleryPage()->pageBar()->entries()[0].caption, "增减我的图片");
}

// Clicks in the editor become the selection, in record order; "提交修改" keeps it and the grid shows
// just those; "全部清除" then "取消返回" keeps the old one, and the editor shows its ticks again.
TEST(PersonalZone, TheEditorsClicksBecomeTheSelectionTheGridShows)
{
    WindowHarness h;
    h.onLogin = [](LoginDialog &d) { typeLogin(d, "li", "pw"); };
    MainWindow &w = h.start();
    GalleryPage *g = w.galleryPage();
    clickZoneButton(w);
    ASSERT_TRUE(g->isEditing());
    for (int k : {9, 2, 7, 7, 11}) // 7 twice: ticked off again
        clickCell(g->selectionGrid(), k);
    saveScreen(&w, "selection-editor");
    QSignalSpy shown(&w, &MainWindow::categoryShown);
    clickPageEntry(w, 2); // 提交修改
    ASSERT_TRUE(shown.wait(10000));
    const QList<QByteArray> picked{fileNameAt(w, 2), fileNameAt(w, 9), fileNameAt(w, 11)};
    EXPECT_EQ(w.catalogue().categories[0].selection, picked);
    EXPECT_TRUE(readAll(storePath(h)).contains("UserSelect=" + picked.join(',') + ",|\r\n"));
    EXPECT_FALSE(g->isEditing());
    EXPECT_EQ(g->pictureGrid()->gridModel()->recordCount(), 3);
    saveScreen(&w, "zone-grid");

    for (int entry : {0, 1, 3}) // 增减我的图片, 全部清除, 取消返回
        clickPageEntry(w, entry);
    EXPECT_EQ(w.catalogue().categories[0].selection, picked);
    EXPECT_EQ(g->pictureGrid()->gridModel()->recordCount(), 3);
    clickPageEntry(w, 0);
    EXPECT_TRUE(g->selectionGrid()->cellLook(1, 2).bold); // record 9 ticked
    EXPECT_FALSE(g->selectionGrid()->cellLook(3, 1).bold); // record 7 not
    // A screen reader hears the ticks the editor shows only by colour and weight.
    QAccessibleTableInterface *cells = QAccessible::queryAccessibleInterface(g->selectionGrid())->tableInterface();
    EXPECT_TRUE(cells->cellAt(2, 1)->state().checkable && cells->cellAt(2, 1)->state().checked);
    EXPECT_TRUE(cells->cellAt(1, 3)->state().checkable && !cells->cellAt(1, 3)->state().checked);
}

// A known name needs its password (the name's letter case aside); its picks come back. Leaving asks
// first: No keeps the zone, Yes brings back the page buttons and the whole category.
TEST(PersonalZone, AKnownNameLogsInWithItsPasswordAndLeavingAsksFirst)
{
    WindowHarness h;
    h.onLogin = [](LoginDialog &d) {
        typeLogin(d, "LI", "wrong");
        typeLogin(d, "LI", "pw");
    };
    MainWindow &w = h.start();
    const QList<QByteArray> picked{fileNameAt(w, 2), fileNameAt(w, 9)};
    QFile store(storePath(h));
    ASSERT_TRUE(store.open(QIODevice::WriteOnly));
    store.write("[PELMARQ_li]\r\nUserPassword=pw\r\nUserSelect=" + picked.join(',') + ",|\r\n");
    store.close();
    QSignalSpy shown(&w, &MainWindow::categoryShown);
    clickZoneButton(w);
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_EQ(h.prompts.shown, (QStringList{"message: 密码错误，请重新检查！", "message: 用户登陆成功！"}));
    EXPECT_EQ(w.catalogue().categories[0].selection, picked);
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->recordCount(), 2);

    h.prompts.shown.clear();
    h.prompts.answers = {false, true};
    clickZoneButton(w);
    EXPECT_TRUE(w.zone().active());
    clickZoneButton(w);
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_EQ(h.prompts.shown, QStringList(2, "confirm: 确认退出吗?"));
    EXPECT_FALSE(w.zone().active());
    EXPECT_EQ(panelText(w, WindowStatusBar::UserPanel), "");
    EXPECT_EQ(w.galleryPage()->categoryBar()->zoneButton()->text(), "进入自选专区");
    EXPECT_TRUE(w.galleryPage()->pageBar()->entries()[0].checked);
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->recordCount(), 30);
    EXPECT_TRUE(readAll(storePath(h)).contains(picked.join(','))); // the file keeps what was saved
}

TEST(Search, TheGalleryShowsTheMatchesOrSaysThereAreNone)
{
    WindowHarness h;
    MainWindow &w = h.start();
    GalleryPage *g = w.galleryPage();
    g->searchEdit()->setText(QString::fromLatin1(" " + fileNameAt(w, 9) + " "));
    g->searchButton()->click();
    EXPECT_EQ(g->currentPage(), 99);
    ASSERT_EQ(g->pictureGrid()->gridModel()->recordCount(), 1);
    EXPECT_EQ(g->pictureGrid()->gridModel()->cell(0, 0).toByteArray(), w.catalogue().items(0).at(9).toByteArray());

    g->searchEdit()->setText("   ");
    g->searchButton()->click(); // only blanks: nothing happens
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    g->searchEdit()->setText("nothing-like-it");
    QTest::keyClick(g->searchEdit(), Qt::Key_Return);
    EXPECT_EQ(h.prompts.shown, QStringList{"message: 没有检索到相关数据!"});
    EXPECT_EQ(g->pictureGrid()->gridModel()->recordCount(), 1); // the grid keeps what it showed
}

TEST(Search, InTheEditorTheFirstMatchBecomesCurrentAndEveryMatchRed)
{
    WindowHarness h;
    h.onLogin = [](LoginDialog &d) { typeLogin(d, "zhao", "pw"); };
    MainWindow &w = h.start();
    GalleryPage *g = w.galleryPage();
    clickZoneButton(w);
    ASSERT_TRUE(g->isEditing());
    g->searchEdit()->setText(QString::fromLatin1(fileNameAt(w, 21)));
    g->searchButton()->click();
    EXPECT_EQ(g->selectionGrid()->currentIndex(), g->selectionGrid()->gridModel()->index(5, 1));
    EXPECT_EQ(g->selectionGrid()->cellLook(1, 5).tone, PictureTone::Red);
    EXPECT_EQ(g->selectionGrid()->cellLook(2, 5).tone, PictureTone::Black);
    saveScreen(&w, "editor-search-match");
}
