#include "gui/app/gui_platform.h"
#include "gui/app/launcher.h"
#include "gui/app/splash_screen.h"
#include "gui/app/web_tab_host.h"
#include "gui/app/window_status_bar.h"
#include "core/catalogue/gbk.h"
#include "gui/download/file_page.h"
#include "gui/gallery/category_bar.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/picture_grid.h"
#include "core/gallery/picture_grid_model.h"
#include "library_files.h"
#include "gui/server/server_bar.h"
#include "gui/ui/picture_list.h"
#include "window_harness.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QProgressBar>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTcpServer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

library::InitOptions small() { return {2, 30, 1}; }

void setReleaseVersion(const QString &root, const QByteArray &version)
{
    QList<library::Category> cats;
    QByteArray release;
    QString error;
    ASSERT_TRUE(library::readConfig(root, &cats, &release, &error));
    release = version + release.mid(release.indexOf('|'));
    ASSERT_TRUE(library::writeConfig(root, cats, release, &error));
}

QString latestText(MainWindow &w, int row, int col)
{
    const LatestListModel *m = w.galleryPage()->latestList()->listModel();
    return m->data(m->index(row, col)).toString();
}

} // namespace

TEST(StartUp, SkipsDeadServersAndShowsCategoryZeroInAFreshWindow)
{
    WindowHarness h(small());
    MainWindow &w = h.start(3);
    ASSERT_TRUE(h.started);
    EXPECT_TRUE(h.prompts.shown.isEmpty()) << h.prompts.shown.join('\n').toStdString();
    EXPECT_EQ(w.catalogue().serverIndex, 3);
    EXPECT_EQ(h.lib.server().log(), (QStringList{"GET /kq/config.xml 200 127.0.0.1", "GET /kq/Page0.dat 200 127.0.0.1",
                                                 "GET /kq/Changer0.dat 200 127.0.0.1"}));

    GalleryPage *g = w.galleryPage();
    EXPECT_EQ(w.windowTitle(), "图库Kestrin欢迎您的光临");
    EXPECT_EQ(g->latestTitle()->text(), "图库最新上传");
    EXPECT_EQ(w.windowStatusBar()->panelText(WindowStatusBar::UpdatePanel),
              "最后更新: " + gbk::decode(w.catalogue().categories[0].updateTime));
    EXPECT_FALSE(w.catalogue().categories[0].updateTime.isEmpty());
    EXPECT_EQ(w.windowStatusBar()->panelText(WindowStatusBar::UserPanel), "");
    EXPECT_FALSE(g->tipLabel()->text().isEmpty());
    EXPECT_FALSE(g->noticeLabel()->text().isEmpty());

    // Initial states: the first carrier and library on both pages, the sound ticked, the timers.
    EXPECT_EQ(w.pages()->currentIndex(), 0);
    for (ServerBar *bar : {g->serverBar(), w.filePage()->serverBar()}) {
        EXPECT_TRUE(bar->carrierButton(0)->isChecked());
        EXPECT_FALSE(bar->carrierButton(1)->isChecked());
        EXPECT_TRUE(bar->libraryButton(0)->isChecked());
        EXPECT_EQ(bar->speedLabel(2)->text(), "速度未知");
    }
    EXPECT_TRUE(w.soundBox()->isChecked());
    EXPECT_FALSE(w.chineseNamesBox()->isChecked());
    EXPECT_FALSE(g->selectionGrid()->isVisible());
    // The web tabs: one for each non-empty caption, the two without captions hidden.
    const QStringList tabs{"图库模式", "软件模式", "图库首页", "开奖历史", "开奖直播", "六合走势", "TAB7", "TAB8"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(w.pages()->tabText(i), tabs[i]);
        EXPECT_EQ(w.pages()->isTabVisible(i), i < 6) << i;
    }
    const struct
    {
        QTimer *timer;
        int interval;
        bool running;
    } timers[] = {{&w.pollTimer(), 5000, true},
                  {&w.queueTimer(), 100, false},
                  {&w.refreshLimitTimer(), 15000, false},
                  {&w.webTabs()->counterTimer(), 900000, true}};
    for (const auto &t : timers) {
        EXPECT_EQ(t.timer->interval(), t.interval);
        EXPECT_EQ(t.timer->isActive(), t.running) << t.interval;
    }

    // Category 0 in the grid, its latest entries in both lists, its button red and bold.
    const PictureGridModel *grid = g->pictureGrid()->gridModel();
    EXPECT_EQ(grid->rowCount(), 30 / 4 + 1);
    EXPECT_EQ(grid->cell(1, 0).toByteArray(), w.catalogue().items(0).at(1).toByteArray());
    EXPECT_EQ(g->pictureGrid()->hoverColumn(), -1);
    EXPECT_GT(g->latestList()->listModel()->rowCount(), 0);
    EXPECT_EQ(w.filePage()->fileList()->listModel()->rowCount(), g->latestList()->listModel()->rowCount());
    const QList<QToolButton *> &buttons = g->categoryBar()->buttons();
    ASSERT_EQ(buttons.size(), 3);
    EXPECT_TRUE(buttons[0]->isChecked());
    EXPECT_TRUE(buttons[0]->font().bold());
    EXPECT_EQ(buttons[0]->palette().color(QPalette::ButtonText), QColor(255, 0, 0));

    // The progress bar lies over the last panel, 15 pixels short of its right edge; the tick boxes
    // follow the window's right edge; grid columns share its width.
    WindowStatusBar *status = w.windowStatusBar();
    EXPECT_EQ(status->progressBar()->parentWidget(), status->panel(WindowStatusBar::ProgressPanel));
    EXPECT_EQ(status->progressBar()->width(), status->panel(WindowStatusBar::ProgressPanel)->width() - 15);
    EXPECT_EQ(w.soundBox()->x(), w.frameGeometry().width() - 100);
    EXPECT_EQ(w.chineseNamesBox()->x(), w.frameGeometry().width() - 200);
    EXPECT_EQ(g->pictureGrid()->columnWidth(3), (g->pictureGrid()->width() - 20) / 4);
    saveScreen(&w, "started-window");
    w.pages()->setCurrentIndex(1);
    saveScreen(&w, "file-page");
}

TEST(StartUp, NoServerAnswersEndsWithTheMessageAndSavesNothing)
{
    WindowHarness h(small());
    ServerTable dead;
    for (int i = 0; i < 6; ++i)
        dead.urls << deadUrl();
    MainWindow &w = h.start(dead);
    EXPECT_FALSE(h.started);
    EXPECT_EQ(h.prompts.shown, QStringList{"message: 无法连接Kestrin服务器,请与管理员联系!"});
    EXPECT_EQ(h.life.requests, 1);
    EXPECT_TRUE(w.galleryPage()->categoryBar()->buttons().isEmpty());
    w.close();
    EXPECT_FALSE(QFileInfo::exists(h.settingsFile()));
}

TEST(StartUp, MessagesDuringStartUpSitOverTheSplash)
{
    QTemporaryDir home;
    GuiPrompts prompts;
    RecordingShell shell;
    QtSettingsStore settings(home.filePath("settings.ini"));
    FolderMap folders;
    RecordingLifecycle life;
    ServerTable dead;
    for (int i = 0; i < 6; ++i)
        dead.urls << deadUrl();
    MainWindow window(Platform{prompts, shell, settings, folders, life, dead, {}, nullptr, nullptr, {}, {}});
    Launcher launcher(window, prompts, life);
    QWidget *owner = nullptr;
    QRect box, splash;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *b = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            owner = b->parentWidget();
            box = b->frameGeometry();
            splash = launcher.splash()->frameGeometry();
            b->accept();
        }
    });
    poll.start(10);
    launcher.launch();
    ASSERT_TRUE(waitUntil([&] { return life.requests > 0; }, 20000));
    EXPECT_EQ(owner, launcher.splash());
    EXPECT_LE((box.center() - splash.center()).manhattanLength(), 4);
    EXPECT_FALSE(window.isVisible());
}

TEST(StartUp, ASecondStartBringsBackTheSplashOrTheWindow)
{
    QWidget other; // what the user turned to meanwhile
    other.resize(200, 100);
    const auto check = [&](Launcher &launcher, QWidget &front) {
        front.setWindowState(Qt::WindowMinimized);
        other.show();
        other.activateWindow();
        ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &other; }, 5000));
        launcher.bringToFront();
        EXPECT_FALSE(front.isMinimized());
        EXPECT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &front; }, 5000));
    };
    {
        // Start-up waits on a server that never answers: the splash is all there is to show.
        QTcpServer silent;
        ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
        ServerTable table;
        for (int i = 0; i < 6; ++i)
            table.urls << QStringLiteral("http://127.0.0.1:%1/").arg(silent.serverPort());
        GuiPrompts prompts;
        RecordingShell shell;
        QTemporaryDir home;
        QtSettingsStore settings(home.filePath("settings.ini"));
        FolderMap folders;
        RecordingLifecycle life;
        MainWindow window(Platform{prompts, shell, settings, folders, life, table, {}, nullptr, nullptr, {}, {}});
        Launcher launcher(window, prompts, life);
        launcher.launch();
        ASSERT_TRUE(launcher.splash()->isVisible());
        check(launcher, *launcher.splash());
        EXPECT_FALSE(window.isVisible());
    }
    {
        WindowHarness h(small());
        MainWindow &w = h.start();
        ASSERT_TRUE(h.started);
        GuiPrompts prompts;
        Launcher launcher(w, prompts, h.life);
        check(launcher, w);
    }
}

TEST(StartUp, ANewerReleaseAsksAndOnlyYesOpensTheUpgradeAndEnds)
{
    const QString question = "confirm: Kestrin发现新的版本，是否立即升级？";
    {
        WindowHarness h(small());
        setReleaseVersion(h.lib.root(), "1.7.3.0");
        h.prompts.answers = {true};
        h.start();
        EXPECT_FALSE(h.started);
        EXPECT_EQ(h.prompts.shown, QStringList{question});
        EXPECT_EQ(h.shell.opened, QStringList{"http://127.0.0.1:16990/kq/rd1.htm"});
        EXPECT_EQ(h.life.requests, 1);
    }
    {
        // An address nothing can open is shown to the user rather than dropped.
        WindowHarness h(small());
        setReleaseVersion(h.lib.root(), "1.7.3.0");
        h.prompts.answers = {true};
        h.shell.canOpen = false;
        h.start();
        EXPECT_FALSE(h.started);
        ASSERT_EQ(h.prompts.shown.size(), 2);
        EXPECT_TRUE(h.prompts.shown[1].contains("http://127.0.0.1:16990/kq/rd1.htm"));
        EXPECT_EQ(h.life.requests, 1);
    }
    {
        WindowHarness h(small());
        setReleaseVersion(h.lib.root(), "1.7.2"); // an older form of the same number still differs
        h.prompts.answers = {false};
        MainWindow &w = h.start();
        EXPECT_TRUE(h.started);
        EXPECT_EQ(h.prompts.shown, QStringList{question});
        EXPECT_TRUE(h.shell.opened.isEmpty());
        EXPECT_EQ(h.life.requests, 0);
        EXPECT_EQ(w.galleryPage()->pictureGrid()->gridModel()->recordCount(), 30);
    }
}

TEST(StartUp, SplashMottoIsSizedFromItsGbkLength)
{
    SplashScreen splash;
    EXPECT_EQ(splash.mottoLabel()->text(), "图库Kestrin上图最早、最快、最稳定");
    EXPECT_EQ(splash.mottoLabel()->geometry(), QRect(95, 280, 363, 21));
    EXPECT_EQ(splash.size(), QSize(468, 312));
    splash.show();
    saveScreen(&splash, "splash");
}

TEST(Settings, FirstRunVanishedFolderAndRememberedUser)
{
    {
        WindowHarness h(small());
        MainWindow &w = h.start();
        EXPECT_EQ(w.galleryPage()->savePathEdit()->text(), h.desktop());
        EXPECT_EQ(w.userName(), "");
    }
    {
        WindowHarness h(small());
        h.settings->setValue("LastSavepath", h.home.filePath("gone"));
        h.settings->setValue("LastUsername", "张三");
        MainWindow &w = h.start();
        EXPECT_EQ(w.galleryPage()->savePathEdit()->text(), h.desktop());
        EXPECT_EQ(w.userName(), "张三");
        EXPECT_EQ(w.windowStatusBar()->panelText(WindowStatusBar::UserPanel), "欢迎您， 张三");
        // The remembered user is back in the zone, no password asked; nothing picked yet: the editor.
        QToolButton *zone = w.galleryPage()->categoryBar()->zoneButton();
        EXPECT_EQ(zone->text(), "退出专区");
        EXPECT_TRUE(zone->font().bold());
        EXPECT_TRUE(w.filePage()->hiddenCategoryButtons().last()->font().bold());
        EXPECT_TRUE(w.galleryPage()->isEditing());
        EXPECT_TRUE(h.prompts.shown.isEmpty());
        w.close();
        QSettings written(h.settingsFile(), QSettings::IniFormat);
        EXPECT_EQ(written.value("LastSavepath").toString(), h.desktop()); // the fallback is written back
        EXPECT_EQ(written.value("LastUsername").toString(), "张三");
    }
}

TEST(Settings, TheChooserOpensAtTheSaveFolderAndOnlyCloseWritesIt)
{
    WindowHarness h(small());
    MainWindow &w = h.start();
    const QString chosen = h.home.filePath("pictures");
    QDir().mkpath(chosen);
    h.prompts.folders = {chosen};
    w.filePage()->chooseFolderButton()->click(); // the file page's button does what the gallery's does
    EXPECT_EQ(h.prompts.shown.last(), "folder: 请选择保存路径");
    EXPECT_EQ(h.prompts.folderStarts.last(), h.desktop());
    EXPECT_EQ(w.galleryPage()->savePathEdit()->text(), chosen);
    w.galleryPage()->browseButton()->click(); // cancelled
    EXPECT_EQ(h.prompts.folderStarts.last(), chosen);
    EXPECT_EQ(w.galleryPage()->savePathEdit()->text(), chosen);
    EXPECT_FALSE(QFileInfo::exists(h.settingsFile())); // nothing written before close
    w.close();
    QSettings written(h.settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(written.value("LastSavepath").toString(), chosen);
    EXPECT_TRUE(written.contains("LastUsername"));
    EXPECT_EQ(written.value("LastUsername").toString(), "");
}

namespace {
class ReadOnlyStore : public SettingsStore
{
public:
    int writes = 0;
    QString value(const QString &) override { return {}; }
    bool setValue(const QString &, const QString &) override { ++writes; return false; }
    bool sync() override { return false; }
    QString location() const override { return QStringLiteral("/readonly/Kestrin.ini"); }
};
} // namespace

TEST(Settings, AStoreThatCannotBeWrittenSaysWhereAndStillLetsTheWindowClose)
{
    WindowHarness h(small());
    auto store = std::make_unique<ReadOnlyStore>();
    ReadOnlyStore *raw = store.get();
    h.settings = std::move(store);
    MainWindow &w = h.start();
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(raw->writes, 2);
    ASSERT_EQ(h.prompts.shown.size(), 1);
    EXPECT_TRUE(h.prompts.shown[0].startsWith("message: 设置无法保存"));
    EXPECT_TRUE(h.prompts.shown[0].contains("/readonly/Kestrin.ini"));
}

TEST(Failover, AChangeFileFailureMovesToTheNextServerWithTheNumberedMessage)
{
    WindowHarness h(small());
    ServedLibrary second(small());
    h.setFaults({"/kq/Changer*.dat status=500"});
    ServerTable servers = h.lib.table();
    for (int i = 1; i < 6; ++i)
        servers.urls[i] = second.url();
    MainWindow &w = h.start(servers);
    ASSERT_TRUE(h.started);
    EXPECT_EQ(h.prompts.shown, QStringList{"message: 与#0号主机通信失败,尝试连接下一台服务器!"});
    EXPECT_EQ(w.catalogue().serverIndex, 1);
    EXPECT_FALSE(w.catalogue().categories[0].updateTime.isEmpty());
}

TEST(Failover, NoChangeFileAnywhereEndsTheProgramDuringStartUp)
{
    WindowHarness h(small());
    h.setFaults({"/kq/Changer*.dat drop"});
    MainWindow &w = h.start();
    EXPECT_FALSE(h.started);
    ASSERT_EQ(h.prompts.shown.size(), 7);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(h.prompts.shown[i], QString("message: 与#%1号主机通信失败,尝试连接下一台服务器!").arg(i));
    EXPECT_EQ(h.prompts.shown[6], "message: 所有服务器均无法连接,请与管理员联系!");
    EXPECT_EQ(h.life.requests, 1);
    w.close();
    EXPECT_FALSE(QFileInfo::exists(h.settingsFile()));
}

TEST(PageLoading, LatestEntriesSignedEntriesAndTheNewestFortySix)
{
    WindowHarness h(small());
    QList<QByteArray> latest;
    for (int i = 10; i < 60; ++i)
        latest << QByteArray::number(i);
    latest[0] = "-7";
    latest.insert(3, "");    // skipped
    latest.insert(4, "999"); // outside the category: skipped
    h.writePage(0, makeRecords(80), latest);
    MainWindow &w = h.start();
    ASSERT_TRUE(h.started);
    // 50 usable entries: the list shows the newest 46, the file list takes all; the last entry stands first.
    ASSERT_EQ(w.galleryPage()->latestList()->listModel()->rowCount(), 46);
    const LatestListModel *files = w.filePage()->fileList()->listModel();
    ASSERT_EQ(files->rowCount(), 50);
    EXPECT_EQ(latestText(w, 0, 3), "59");
    EXPECT_EQ(latestText(w, 45, 3), "14");
    EXPECT_EQ(latestText(w, 45, 0), "A14  图14");
    EXPECT_EQ(latestText(w, 45, 1), "2026-12-01 10:00");
    EXPECT_EQ(files->row(49).tag, "7");
    EXPECT_EQ(files->row(0).caption(), "A59  " + g("图59"));
}

TEST(PageLoading, MarksSurviveAReloadAndAFailedPageSaysSoUntilTheNextLoad)
{
    WindowHarness h(small());
    h.writePage(0, makeRecords(20), {"3", "4"});
    MainWindow &w = h.start();
    w.session().markTaken(0, 3);
    h.writePage(0, makeRecords(24), {"3", "4", "23"});
    QSignalSpy shown(&w, &MainWindow::categoryShown);
    h.reload();
    ASSERT_TRUE(shown.wait(10000));
    const PictureGridModel *grid = w.galleryPage()->pictureGrid()->gridModel();
    EXPECT_EQ(grid->recordCount(), 24);
    EXPECT_TRUE(w.catalogue().isTaken(0, 3));
    ASSERT_EQ(w.galleryPage()->latestList()->listModel()->rowCount(), 3);
    EXPECT_EQ(latestText(w, 2, 2), "√");
    EXPECT_EQ(latestText(w, 1, 2), "");

    h.setFaults({"/kq/Page0.dat status=404"});
    h.reload();
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    EXPECT_EQ(grid->rowCount(), 1);
    EXPECT_TRUE(grid->cell(0, 0).isEmpty());
    EXPECT_EQ(w.galleryPage()->latestList()->listModel()->rowCount(), 0);
    EXPECT_EQ(w.filePage()->fileList()->listModel()->rowCount(), 0);
    EXPECT_EQ(w.windowStatusBar()->panelText(WindowStatusBar::UpdatePanel), "载入失败: 服务器答复 404");
    EXPECT_TRUE(w.catalogue().isTaken(0, 3)); // marks outlive a failed load

    h.lib.server().clearFaults();
    h.reload();
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_TRUE(w.windowStatusBar()->panelText(WindowStatusBar::UpdatePanel).startsWith("最后更新: "));
}
