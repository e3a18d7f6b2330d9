// Start-up as the user meets it: the splash and the messages over it, the ways start-up ends, the
// fresh window, and the settings it reads and writes.
#include "gui/app/gui_platform.h"
#include "gui/app/launcher.h"
#include "gui/app/splash_screen.h"
#include "window_harness.h"

#include <algorithm>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QTcpServer>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

void setReleaseVersion(const QString &root, const QByteArray &version)
{
    QList<library::Category> cats;
    QByteArray release;
    QString error;
    ASSERT_TRUE(library::readConfig(root, &cats, &release, &error));
    release = version + release.mid(release.indexOf('|'));
    ASSERT_TRUE(library::writeConfig(root, cats, release, &error));
}

ServerTable sixTimes(const QString &url)
{
    ServerTable table;
    for (int i = 0; i < 6; ++i)
        table.urls << url;
    return table;
}

const QString kUpgradeQuestion = QStringLiteral("confirm: Kestrin发现新的版本，是否立即升级？");

} // namespace

TEST(StartUp, AFreshWindowShowsCategoryZeroFromTheFirstServerThatAnswers)
{
    WindowHarness h;
    MainWindow &w = h.start(3);
    ASSERT_TRUE(h.started);
    EXPECT_TRUE(h.prompts.shown.isEmpty()) << h.prompts.shown.join('\n').toStdString();
    EXPECT_EQ(w.catalogue().serverIndex, 3);
    // The configuration, then the first page and its change file together: nothing loaded twice.
    QStringList asked = h.lib.server().log();
    std::sort(asked.begin() + qMin(1, int(asked.size())), asked.end());
    // And, with no web views here, the counter page by a plain request.
    EXPECT_EQ(asked, (QStringList{"GET /kq/config.xml 200 127.0.0.1", "GET /kq/Changer0.dat 200 127.0.0.1",
                                  "GET /kq/Page0.dat 200 127.0.0.1", "GET /kq/counter.htm 200 127.0.0.1"}));
    GalleryPage *g = w.galleryPage();
    EXPECT_EQ(w.windowTitle(), "图库Kestrin欢迎您的光临");
    EXPECT_EQ(g->latestTitle()->text(), "图库最新上传");
    const QByteArray updated = w.catalogue().categories[0].updateTime;
    EXPECT_FALSE(updated.isEmpty());
    EXPECT_EQ(panelText(w, WindowStatusBar::UpdatePanel), "最后更新: " + gbk::decode(updated));
    EXPECT_FALSE(g->tipLabel()->text().isEmpty() || g->noticeLabel()->text().isEmpty());
    EXPECT_EQ(g->pictureGrid()->gridModel()->cell(1, 0).toByteArray(), w.catalogue().items(0).at(1).toByteArray());
    EXPECT_TRUE(g->categoryBar()->buttons().at(0)->isChecked());
    saveScreen(&w, "started-window");
}

TEST(StartUp, AFreshWindowOffersTheFirstServerTheSoundAndTheCaptionedWebTabs)
{
    WindowHarness h;
    MainWindow &w = h.start();
    for (ServerBar *bar : {w.galleryPage()->serverBar(), w.filePage()->serverBar()})
        EXPECT_TRUE(bar->carrierButton(0)->isChecked() && bar->libraryButton(0)->isChecked());
    EXPECT_TRUE(w.soundBox()->isChecked());
    EXPECT_FALSE(w.chineseNamesBox()->isChecked());
    // One tab for each page with a caption, and none for the two without.
    const QStringList tabs{"图库模式", "软件模式", "图库首页", "开奖历史", "开奖直播", "六合走势"};
    ASSERT_EQ(w.pages()->count(), tabs.size());
    for (int i = 0; i < tabs.size(); ++i) {
        EXPECT_EQ(w.pages()->tabText(i), tabs[i]);
        EXPECT_TRUE(w.pages()->isTabVisible(i)) << i;
    }
    EXPECT_TRUE(w.pollTimer().isActive() && w.webTabs()->counterTimer().isActive());
    w.pages()->setCurrentIndex(1);
    saveScreen(&w, "file-page");
}

// Without web views the visit still counts: the counter page is asked for at each tick, from the
// server then in use, and a failure there is nobody's business.
TEST(StartUp, WithoutWebViewsTheCounterPageIsAskedForAtEachTick)
{
    WindowHarness h;
    MainWindow &w = h.start(2);
    QSignalSpy counted(w.webTabs(), &WebTabHost::counterLoaded);
    h.setFaults({"/kq/counter.htm status=500"});
    for (int tick = 1; tick <= 2; ++tick) {
        w.webTabs()->counterTick();
        ASSERT_TRUE(counted.wait(10000));
        EXPECT_EQ(requestsFor(h.lib.server(), "/kq/counter.htm"), 1 + tick);
    }
    EXPECT_TRUE(h.prompts.shown.isEmpty()) << h.prompts.shown.join('\n').toStdString();
    EXPECT_EQ(w.webTabs()->counter()->url().toString(), h.lib.table().url(2) + "kq/counter.htm");
}

// Every way start-up gives up says why, asks for the end of the program (with a status of its own
// when no server answered) and writes no settings; a newer release declined starts as usual.
TEST(StartUp, EachWayStartUpEndsSaysWhyAndWritesNothingButADeclinedUpgradeStarts)
{
    QStringList noChangeFile;
    for (int i = 0; i < 6; ++i)
        noChangeFile << QStringLiteral("message: 与#%1号主机通信失败,尝试连接下一台服务器!").arg(i);
    noChangeFile << "message: 所有服务器均无法连接,请与管理员联系!";
    const QString upgrade = "http://127.0.0.1:16990/kq/rd1.htm";
    const struct
    {
        const char *what;
        int deadServers;
        const char *fault, *release;
        bool upgrade, shellOpens, starts; // upgrade: the answer to the question
        int exitStatus;                   // asked for when it does not start
        QStringList shown;
    } cases[] = {
        {"no server answers", 6, nullptr, nullptr, true, true, false, exit_status::kNoServer,
         {"message: 无法连接Kestrin服务器,请与管理员联系!"}},
        {"no change file anywhere", 0, "/kq/Changer*.dat drop", nullptr, true, true, false, exit_status::kNoServer,
         noChangeFile},
        {"the upgrade accepted", 0, nullptr, "1.7.3.0", true, true, false, exit_status::kNormal, {kUpgradeQuestion}},
        // An address nothing can open is shown to the user rather than dropped.
        {"an upgrade nothing opens", 0, nullptr, "1.7.3.0", true, false, false, exit_status::kNormal,
         {kUpgradeQuestion, "message: 无法打开升级地址，请手动访问：\n" + upgrade}},
        // An older form of the same number still differs.
        {"the upgrade declined", 0, nullptr, "1.7.2", false, true, true, -1, {kUpgradeQuestion}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        WindowHarness h;
        if (c.fault)
            h.setFaults({c.fault});
        if (c.release)
            setReleaseVersion(h.lib.root(), c.release);
        h.prompts.answers = {c.upgrade};
        h.shell.canOpen = c.shellOpens;
        MainWindow &w = h.start(c.deadServers);
        EXPECT_EQ(h.started && w.isVisible(), c.starts);
        EXPECT_EQ(h.prompts.shown, c.shown);
        EXPECT_EQ(h.shell.opened, c.release && c.upgrade ? QStringList{upgrade} : QStringList());
        EXPECT_EQ(h.life.requests, c.starts ? 0 : 1);
        EXPECT_EQ(h.life.status, c.exitStatus);
        if (!c.starts) {
            w.close();
            EXPECT_FALSE(QFileInfo::exists(h.settingsFile()));
        }
    }
}

TEST(StartUp, MessagesDuringStartUpSitOverTheSplash)
{
    TestSeams seams;
    GuiPrompts prompts;
    MainWindow window(seams.platform(sixTimes(deadUrl()), &prompts));
    Launcher launcher(window, prompts, seams.life);
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
    ASSERT_TRUE(waitUntil([&] { return seams.life.requests > 0; }, 20000));
    EXPECT_EQ(owner, launcher.splash());
    EXPECT_LE((box.center() - splash.center()).manhattanLength(), 4);
    EXPECT_FALSE(window.isVisible());
}

TEST(StartUp, OnceTheWindowShowsTheSplashIsGone)
{
    TestSeams seams;
    ServedLibrary lib({2, 20, 1});
    GuiPrompts prompts;
    MainWindow window(seams.platform(lib.table(), &prompts));
    Launcher launcher(window, prompts, seams.life);
    launcher.launch();
    ASSERT_TRUE(waitUntil([&] { return window.isVisible(); }, 20000));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget *top : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<SplashScreen *>(top)) << "a splash left behind";
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
        TestSeams seams;
        GuiPrompts prompts;
        MainWindow window(seams.platform(sixTimes(QStringLiteral("http://127.0.0.1:%1/").arg(silent.serverPort())), &prompts));
        Launcher launcher(window, prompts, seams.life);
        launcher.launch();
        ASSERT_TRUE(launcher.splash()->isVisible());
        check(launcher, *launcher.splash());
        EXPECT_FALSE(window.isVisible());
    }
    WindowHarness h;
    MainWindow &w = h.start();
    GuiPrompts prompts;
    Launcher launcher(w, prompts, h.life);
    check(launcher, w);
}

// The first category's page hangs: the splash stays, and after a few seconds says what it waits for.
TEST(StartUp, ALongWaitAtStartIsNamedOnTheSplash)
{
    TestSeams seams;
    ServedLibrary lib({2, 20, 1});
    lib.setFaults({"/kq/Page0.dat hang"});
    GuiPrompts prompts;
    MainWindow window(seams.platform(lib.table(), &prompts));
    Launcher launcher(window, prompts, seams.life);
    QElapsedTimer clock;
    clock.start();
    launcher.launch();
    QLabel *waiting = launcher.splash()->waitingLabel();
    ASSERT_TRUE(waitUntil([&] { return waiting->isVisible(); }, 10000));
    EXPECT_GE(clock.elapsed(), Launcher::kWaitNoticeMs * 9 / 10); // a coarse timer may fire 5 % early
    EXPECT_EQ(waiting->text(), QStringLiteral("正在载入“%1”的图纸列表，服务器无响应时最多等待30秒…")
                                   .arg(gbk::decode(window.catalogue().categories[0].entry.caption)));
    EXPECT_TRUE(launcher.splash()->rect().contains(waiting->geometry()));
    saveScreen(launcher.splash(), "splash-waiting");
    EXPECT_TRUE(launcher.splash()->isVisible());
    EXPECT_FALSE(window.isVisible());
}

TEST(StartUp, TheSplashShowsTheMottoWithinItsPicture)
{
    SplashScreen splash;
    EXPECT_EQ(splash.mottoLabel()->text(), "图库Kestrin上图最早、最快、最稳定");
    EXPECT_TRUE(splash.rect().contains(splash.mottoLabel()->geometry()));
    splash.show();
    saveScreen(&splash, "splash");
}

// A save folder that vanished falls back to the desktop; the user logged in at the last close is back
// in the zone with no password asked, in the editor while nothing is picked. Both are written back.
TEST(Settings, AVanishedFolderFallsBackAndARememberedUserIsBackInTheZone)
{
    WindowHarness h;
    h.settings->setValue("LastSavepath", h.home.filePath("gone"));
    h.settings->setValue("LastUsername", "张三");
    MainWindow &w = h.start();
    EXPECT_EQ(w.galleryPage()->savePathEdit()->text(), h.desktop());
    EXPECT_EQ(panelText(w, WindowStatusBar::UserPanel), "欢迎您， 张三");
    QToolButton *zone = w.galleryPage()->categoryBar()->zoneButton();
    EXPECT_EQ(zone->text(), "退出专区");
    EXPECT_TRUE(zone->font().bold());
    EXPECT_TRUE(w.galleryPage()->isEditing());
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    w.close();
    QSettings written(h.settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(written.value("LastSavepath").toString(), h.desktop());
    EXPECT_EQ(written.value("LastUsername").toString(), "张三");
}

// A first run saves to the desktop; the chooser of either page opens at the save folder, and only
// closing the window writes the settings.
TEST(Settings, TheChooserOpensAtTheSaveFolderAndOnlyCloseWritesIt)
{
    WindowHarness h;
    MainWindow &w = h.start();
    const QString chosen = h.home.filePath("pictures");
    QDir().mkpath(chosen);
    h.prompts.folders = {chosen};
    w.filePage()->chooseFolderButton()->click();
    EXPECT_EQ(h.prompts.shown, QStringList{"folder: 请选择保存路径"});
    w.galleryPage()->browseButton()->click(); // cancelled
    EXPECT_EQ(h.prompts.folderStarts, (QStringList{h.desktop(), chosen}));
    EXPECT_EQ(w.galleryPage()->savePathEdit()->text(), chosen);
    EXPECT_FALSE(QFileInfo::exists(h.settingsFile()));
    w.close();
    QSettings written(h.settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(written.value("LastSavepath").toString(), chosen);
    EXPECT_EQ(written.value("LastUsername", "<none>").toString(), ""); // nobody is remembered
}

TEST(Settings, AStoreThatCannotBeWrittenSaysWhereAndStillLetsTheWindowClose)
{
    WindowHarness h;
    QFile blocker(h.home.filePath("blocked")); // a file where the settings' folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    h.settings = std::make_unique<QtSettingsStore>(h.home.filePath("blocked/Kestrin.ini"));
    MainWindow &w = h.start();
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(h.prompts.shown, QStringList{"message: 设置无法保存到 " + h.home.filePath("blocked/Kestrin.ini") +
                                           "，本次选择的保存目录和用户将不会被记住。"});
}
