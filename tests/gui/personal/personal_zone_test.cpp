// The personal zone and the search in the real window, with "MySelect.ini" in a temporary documents
// folder: registration and login, the selection editor, leaving, and searching in all three modes.
#include "gui/app/window_status_bar.h"
#include "core/catalogue/records.h"
#include "gui/download/file_page.h"
#include "gui/gallery/category_bar.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/page_bar.h"
#include "gui/gallery/picture_grid.h"
#include "core/gallery/picture_grid_model.h"
#include "gui/personal/login_dialog.h"
#include "gui/ui/picture_list.h"
#include "window_harness.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

library::InitOptions small() { return {2, 30, 1}; }

QString storePath(WindowHarness &h) { return h.home.filePath("Documents/MySelect.ini"); }

QByteArray readStore(WindowHarness &h)
{
    QFile f(storePath(h));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Fills the login dialog and presses "确定".
void typeLogin(LoginDialog &d, const QString &name, const QString &password, const QString &code)
{
    d.nameEdit()->setText(name);
    d.passwordEdit()->setText(password);
    d.codeEdit()->setText(code);
    d.okButton()->click();
}

void clickZoneButton(MainWindow &w, int i)
{
    PageBar *bar = w.galleryPage()->pageBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->entryRect(i).center());
}

void tick(MainWindow &w, int k)
{
    PictureGrid *editor = w.galleryPage()->selectionGrid();
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, editor->cellRect(k % 4, k / 4).center());
}

QByteArray fileName(MainWindow &w, int k) { return PictureRecord::parse(w.catalogue().items(0).at(k)).fileName.toByteArray(); }

} // namespace

TEST(PersonalZone, ANewNameRegistersAndTheEditorOpensOnAnEmptySelection)
{
    WindowHarness h(small());
    h.onLogin = [&](LoginDialog &d) {
        saveScreen(&d, "login-dialog");
        EXPECT_EQ(d.windowTitle(), "登陆专区");
        EXPECT_EQ(d.size(), QSize(252, 144));
        EXPECT_EQ(d.codeLabel()->text(), "4321");
        typeLogin(d, "", "", "4320"); // every check speaks, in order; the dialog stays
        typeLogin(d, QString::fromUtf8(" 张三 "), " secret ", "4321");
    };
    MainWindow &w = h.start();
    w.galleryPage()->categoryBar()->zoneButton()->click();
    EXPECT_EQ(h.prompts.shown,
              (QStringList{"message: 请输入用户名！", "message: 请输入密码！", "message: 验证码输入错误！",
                           "message: 用户注册成功！您的用户名：[张三] 密码：[secret]",
                           "warning: 警告提示：您的自选区设置完毕后资料将自动保存到“我的文档”中的“MySelect.ini”文件中，请您自己要备份好，以免换系统找不到专区。"}));
    EXPECT_EQ(readStore(h), "[PELMARQ_" + g("张三") + "]\r\nUserPassword=secret\r\nUserSelect=\r\n");
    EXPECT_EQ(QFileInfo(storePath(h)).permissions() & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
    EXPECT_EQ(w.userName(), "张三");
    EXPECT_EQ(w.windowStatusBar()->panelText(WindowStatusBar::UserPanel), "欢迎您， 张三");
    EXPECT_EQ(w.galleryPage()->categoryBar()->zoneButton()->text(), "退出专区");
    EXPECT_TRUE(w.galleryPage()->isEditing());
    ASSERT_EQ(w.galleryPage()->pageBar()->entries().size(), 4);
    EXPECT_EQ(w.galleryPage()->pageBar()->entries()[0].caption, "增减我的图片");

    // Closing while in the zone: the next start comes back in with no password asked.
    w.close();
    WindowHarness again(small());
    again.settings->setValue("LastUsername", "张三");
    QFile::copy(storePath(h), storePath(again));
    MainWindow &next = again.start();
    EXPECT_TRUE(next.zone().active());
    EXPECT_TRUE(again.prompts.shown.isEmpty());
}

TEST(PersonalZone, TicksBecomeTheSelectionThatTheGridThenShows)
{
    WindowHarness h(small());
    h.onLogin = [](LoginDialog &d) { typeLogin(d, "li", "pw", "4321"); };
    MainWindow &w = h.start();
    w.galleryPage()->categoryBar()->zoneButton()->click();
    ASSERT_TRUE(w.galleryPage()->isEditing());
    for (int k : {9, 2, 7, 7, 11}) // 7 twice: ticked off again
        tick(w, k);
    saveScreen(&w, "selection-editor");
    QSignalSpy shown(&w, &MainWindow::categoryShown);
    clickZoneButton(w, 2); // 提交修改
    ASSERT_TRUE(shown.wait(10000));
    const QList<QByteArray> picked{fileName(w, 2), fileName(w, 9), fileName(w, 11)};
    EXPECT_EQ(w.catalogue().categories[0].selection, picked);
    EXPECT_TRUE(readStore(h).contains("UserSelect=" + picked.join(',') + ",|\r\n"));
    EXPECT_FALSE(w.galleryPage()->isEditing());
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->recordCount(), 3);
    EXPECT_EQ(w.galleryPage()->latestList()->listModel()->rowCount() <= 3, true);
    saveScreen(&w, "zone-grid");

    // Clearing and returning keeps the old selection; the editor shows the old ticks again.
    clickZoneButton(w, 0);
    clickZoneButton(w, 1);
    clickZoneButton(w, 3);
    EXPECT_EQ(w.catalogue().categories[0].selection, picked);
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->recordCount(), 3);
    clickZoneButton(w, 0);
    EXPECT_TRUE(w.galleryPage()->selectionGrid()->cellLook(1, 2).bold); // record 9 ticked

    // Leaving: No keeps everything, Yes brings the page buttons and the whole category back.
    clickZoneButton(w, 3);
    h.prompts.answers = {false, true};
    w.galleryPage()->categoryBar()->zoneButton()->click();
    EXPECT_TRUE(w.zone().active());
    w.galleryPage()->categoryBar()->zoneButton()->click();
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_FALSE(w.zone().active());
    EXPECT_EQ(w.windowStatusBar()->panelText(WindowStatusBar::UserPanel), "");
    EXPECT_TRUE(w.galleryPage()->pageBar()->entries()[0].checked);
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->recordCount(), 30);
    EXPECT_TRUE(w.catalogue().categories[0].selection.isEmpty());
    EXPECT_TRUE(readStore(h).contains(picked.join(','))); // the file keeps what was saved

    // Logging in again, the name in another case and a wrong password first.
    h.onLogin = [](LoginDialog &d) {
        typeLogin(d, "LI", "wrong", "4321");
        typeLogin(d, "LI", "pw", "4321");
    };
    h.prompts.shown.clear();
    w.galleryPage()->categoryBar()->zoneButton()->click();
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_EQ(h.prompts.shown, (QStringList{"message: 密码错误，请重新检查！", "message: 用户登陆成功！"}));
    EXPECT_EQ(w.catalogue().categories[0].selection, picked);
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->recordCount(), 3);
}

TEST(PersonalZone, LongSelectionsRoundTripAndUnwritableStoresAreReported)
{
    WindowHarness h({1, 400, 1});
    // A file as a user brings it: another section, a comment, and a selection far over 2,047 bytes.
    QByteArray names;
    for (int k = 1; k < 399; ++k)
        names += "A" + QByteArray::number(1000 + k) + ",";
    ASSERT_GT(names.size(), 2047);
    QFile store(storePath(h));
    ASSERT_TRUE(store.open(QIODevice::WriteOnly));
    store.write("; mine\r\n[Other]\r\nk=v\r\n[PELMARQ_wang]\r\nUserPassword=x\r\nUserSelect=" + names + "\r\n");
    store.close();
    h.settings->setValue("LastUsername", "wang");
    MainWindow &w = h.start();
    ASSERT_TRUE(w.zone().active());
    EXPECT_EQ(w.catalogue().categories[0].selection.size(), 398);
    EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->recordCount(), 398);
    QSignalSpy shown(&w, &MainWindow::categoryShown);
    clickZoneButton(w, 0);
    tick(w, 399); // one more: A1399
    clickZoneButton(w, 2);
    ASSERT_TRUE(shown.wait(10000));
    const QByteArray saved = readStore(h);
    EXPECT_TRUE(saved.startsWith("; mine\r\n[Other]\r\nk=v\r\n[PELMARQ_wang]\r\nUserPassword=x\r\nUserSelect="));
    EXPECT_TRUE(saved.contains("A1397,A1398,A1399,"));
    EXPECT_EQ(w.catalogue().categories[0].selection.size(), 399);

    // A documents folder that does not exist is made; one that cannot be: the user is told where, and
    // the picks stay for this run.
    for (bool blocked : {false, true}) {
        QDir(h.home.filePath("Documents")).removeRecursively();
        if (blocked) {
            QFile file(h.home.filePath("Documents"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly)); // a file where the folder should be
        }
        h.prompts.shown.clear();
        clickZoneButton(w, 0);
        tick(w, 1); // ticked off, then on again
        clickZoneButton(w, 2);
        ASSERT_TRUE(shown.wait(10000));
        EXPECT_EQ(QFileInfo::exists(storePath(h)), !blocked);
    }
    ASSERT_FALSE(h.prompts.shown.isEmpty());
    EXPECT_TRUE(h.prompts.shown.last().contains(storePath(h)));
    EXPECT_EQ(w.catalogue().categories[0].selection.size(), 399);
}

TEST(Search, FindsPicturesInTheGridTheEditorAndTheFileList)
{
    WindowHarness h(small());
    MainWindow &w = h.start();
    GalleryPage *g = w.galleryPage();
    const QByteArray name = fileName(w, 9);
    g->searchEdit()->setText(QString::fromLatin1(" " + name + " "));
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

    // The file page's search fills its result list; withdrawn pictures are left out.
    w.pages()->setCurrentIndex(1);
    w.filePage()->searchEdit()->setText(QString::fromUtf8("图"));
    QTest::keyClick(w.filePage()->searchEdit(), Qt::Key_Return);
    const LatestListModel *results = w.filePage()->searchResults()->listModel();
    EXPECT_GT(results->rowCount(), 5);
    for (const LatestRow &r : results->rows())
        EXPECT_NE(r.time, "-1");
    saveScreen(&w, "file-page-search-results");

    // With the editor open the search moves to the first match and paints every match red.
    w.pages()->setCurrentIndex(0);
    h.onLogin = [](LoginDialog &d) { typeLogin(d, "zhao", "pw", "4321"); };
    g->categoryBar()->zoneButton()->click();
    ASSERT_TRUE(g->isEditing());
    g->searchEdit()->setText(QString::fromLatin1(fileName(w, 21)));
    g->searchButton()->click();
    EXPECT_EQ(g->selectionGrid()->currentIndex(), g->selectionGrid()->gridModel()->index(5, 1));
    EXPECT_EQ(g->selectionGrid()->cellLook(1, 5).tone, PictureTone::Red);
    EXPECT_EQ(g->selectionGrid()->cellLook(2, 5).tone, PictureTone::Black);
    saveScreen(&w, "editor-search-match");
}
