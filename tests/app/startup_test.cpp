#include "app/splash.h"
#include "app/status_panel.h"
#include "catalogue/gbk.h"
#include "catalogue/string_grid_model.h"
#include "library_files.h"
#include "window_harness.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>
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

QString topText(const TForm1 &f, int row, int col) { return f.TopList->topLevelItem(row)->text(col); }

} // namespace

TEST(StartUp, SkipsDeadServersAndShowsCategoryZeroInAFreshWindow)
{
    WindowHarness h(small());
    TForm1 &f = h.start(3);
    ASSERT_TRUE(h.started);
    EXPECT_TRUE(h.prompts.shown.isEmpty()) << h.prompts.shown.join('\n').toStdString();
    EXPECT_EQ(f.cat.ServerIndex, 3);
    const QStringList log = h.lib.server().log();
    EXPECT_TRUE(log.contains("GET /kq/config.xml 200 127.0.0.1"));
    EXPECT_TRUE(log.contains("GET /kq/Page0.dat 200 127.0.0.1"));
    EXPECT_TRUE(log.contains("GET /kq/Changer0.dat 200 127.0.0.1"));
    EXPECT_EQ(log.size(), 3);

    EXPECT_EQ(f.windowTitle(), "图库Kestrin欢迎您的光临");
    EXPECT_EQ(f.lblNews->text(), "图库最新上传");
    EXPECT_EQ(f.statusPanelText(0), "最后更新: " + gbk::decode(f.cat.CateUpdateTimes[0]));
    EXPECT_FALSE(f.cat.CateUpdateTimes[0].isEmpty());
    EXPECT_EQ(f.statusPanelText(1), "");
    EXPECT_FALSE(f.Label3->text().isEmpty());
    EXPECT_FALSE(f.Label8->text().isEmpty());

    // Initial states of the controls.
    EXPECT_EQ(f.PageControl1->currentIndex(), 0);
    EXPECT_TRUE(f.BtnCMCC->isChecked() && f.BtnCMCCSoft->isChecked());
    EXPECT_FALSE(f.BtnCNC->isChecked() || f.BtnCNCSoft->isChecked());
    EXPECT_TRUE(f.RadioButton1->isChecked() && f.RadioButton6->isChecked());
    EXPECT_TRUE(f.ChkPlaySnd->isChecked());
    EXPECT_FALSE(f.ChkChinese->isChecked());
    EXPECT_FALSE(f.ChkSelf->isVisible());
    EXPECT_FALSE(f.SGSelf->isVisible());
    for (int i = 2; i < 8; ++i)
        EXPECT_FALSE(f.PageControl1->isTabVisible(i)) << i;
    EXPECT_EQ(f.PageControl1->tabText(7), "TAB8");
    EXPECT_TRUE(f.Timer1.isActive());
    EXPECT_EQ(f.Timer1.interval(), 5000);
    EXPECT_FALSE(f.TimerDownQueue.isActive());
    EXPECT_EQ(f.TimerDownQueue.interval(), 100);
    EXPECT_FALSE(f.TimerRefreshLimit.isActive());
    EXPECT_EQ(f.TimerRefreshLimit.interval(), 15000);
    EXPECT_TRUE(f.TimerCounter.isActive());
    EXPECT_EQ(f.TimerCounter.interval(), 900000);
    EXPECT_EQ(f.HoverCol, -1);
    EXPECT_EQ(f.HoverRow, -1);

    // Category 0 in the grid, its latest entries in both lists.
    EXPECT_EQ(f.SGMainModel->rowCount(), 30 / 4 + 1);
    EXPECT_EQ(f.SGMainModel->cell(1, 0).toByteArray(), f.cat.items(0).at(1).toByteArray());
    EXPECT_GT(f.TopList->topLevelItemCount(), 0);
    EXPECT_EQ(f.ListMain->topLevelItemCount(), f.TopList->topLevelItemCount());
    ASSERT_EQ(f.CateButtons.size(), 3);
    EXPECT_TRUE(f.CateButtons[0]->isChecked());
    EXPECT_TRUE(f.CateButtons[0]->font().bold());
    EXPECT_EQ(f.CateButtons[0]->palette().color(QPalette::ButtonText), QColor(255, 0, 0));

    // The progress bar lies over the owner-drawn panel, 15 pixels short of its right edge.
    EXPECT_EQ(f.ProgressBar1->parentWidget(), f.StatusPanel3);
    EXPECT_EQ(f.ProgressBar1->width(), f.StatusPanel3->width() - 15);
    // Check boxes follow the window's right edge; grid columns share its width.
    EXPECT_EQ(f.ChkPlaySnd->x(), f.frameGeometry().width() - 100);
    EXPECT_EQ(f.ChkChinese->x(), f.frameGeometry().width() - 200);
    EXPECT_EQ(f.SGMain->columnWidth(3), (f.SGMain->width() - 20) / 4);
    saveScreen(&f, "started-window");
    f.PageControl1->setCurrentIndex(1);
    saveScreen(&f, "file-page");
}

TEST(StartUp, NoServerAnswersEndsWithTheMessageAndSavesNothing)
{
    WindowHarness h(small());
    ServerTable dead;
    for (int i = 0; i < 6; ++i)
        dead.urls << deadUrl();
    TForm1 &f = h.start(dead);
    EXPECT_FALSE(h.started);
    EXPECT_EQ(h.prompts.shown, QStringList{"message: 无法连接Kestrin服务器,请与管理员联系!"});
    EXPECT_EQ(h.life.requests, 1);
    EXPECT_EQ(f.CateButtons.size(), 0);
    f.close();
    EXPECT_FALSE(QFileInfo::exists(h.settingsFile()));
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
        WindowHarness h(small());
        setReleaseVersion(h.lib.root(), "1.7.3.0");
        h.prompts.answers = {false};
        TForm1 &f = h.start();
        EXPECT_TRUE(h.started);
        EXPECT_EQ(h.prompts.shown, QStringList{question});
        EXPECT_TRUE(h.shell.opened.isEmpty());
        EXPECT_EQ(h.life.requests, 0);
        EXPECT_EQ(f.SGMainModel->recordCount(), 30);
    }
}

TEST(StartUp, SplashCaptionIsSizedFromItsGbkLength)
{
    TFrmLoading splash;
    EXPECT_EQ(splash.Label1->text(), "图库Kestrin上图最早、最快、最稳定");
    EXPECT_EQ(splash.Label1->geometry(), QRect(95, 280, 363, 21));
    EXPECT_EQ(splash.size(), QSize(468, 312));
    splash.show();
    saveScreen(&splash, "splash");
    TForm4 popup;
    EXPECT_EQ(popup.size(), QSize(185, 41));
    EXPECT_EQ(popup.Label1->text(), "载入中...");
    EXPECT_EQ(popup.Label1->pos(), QPoint(59, 14));
}

TEST(Settings, FirstRunVanishedFolderAndRememberedUser)
{
    {
        WindowHarness h(small());
        TForm1 &f = h.start();
        EXPECT_EQ(f.EdtSavePath->text(), h.desktop());
        EXPECT_EQ(f.UserName, "");
        EXPECT_EQ(f.statusPanelText(1), "");
    }
    {
        WindowHarness h(small());
        h.settings->setValue("LastSavepath", h.home.filePath("gone"));
        h.settings->setValue("LastUsername", "张三");
        TForm1 &f = h.start();
        EXPECT_EQ(f.EdtSavePath->text(), h.desktop());
        EXPECT_EQ(f.UserName, "张三");
        EXPECT_EQ(f.statusPanelText(1), "欢迎您， 张三");
        QToolButton *zone = f.CateButtons.last();
        EXPECT_EQ(zone->text(), "进入自选专区");
        EXPECT_TRUE(zone->font().bold());
        EXPECT_TRUE(f.SoftCateButtons.last()->font().bold());
        f.close();
        QSettings written(h.settingsFile(), QSettings::IniFormat);
        EXPECT_EQ(written.value("LastSavepath").toString(), h.desktop()); // the fallback is written back
        EXPECT_EQ(written.value("LastUsername").toString(), "张三");
    }
}

TEST(Settings, ChosenFolderIsWrittenAtCloseAndCancelKeepsTheOldOne)
{
    WindowHarness h(small());
    TForm1 &f = h.start();
    const QString chosen = h.home.filePath("pictures");
    QDir().mkpath(chosen);
    h.prompts.folders = {chosen};
    f.SpeedButton3->click(); // the file page's button shares the handler
    EXPECT_EQ(h.prompts.shown.last(), "folder: 请选择保存路径");
    EXPECT_EQ(f.EdtSavePath->text(), chosen);
    f.SpeedButton5->click(); // cancelled
    EXPECT_EQ(f.EdtSavePath->text(), chosen);
    EXPECT_FALSE(QFileInfo::exists(h.settingsFile())); // nothing written before close
    f.close();
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
};
} // namespace

TEST(Settings, AStoreThatCannotBeWrittenStillLetsTheWindowClose)
{
    WindowHarness h(small());
    auto store = std::make_unique<ReadOnlyStore>();
    ReadOnlyStore *raw = store.get();
    h.settings = std::move(store);
    TForm1 &f = h.start();
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(raw->writes, 2);
}

TEST(Failover, AChangeFileFailureMovesToTheNextServerWithTheNumberedMessage)
{
    WindowHarness h(small());
    ServedLibrary second(small());
    library::FaultRule fault;
    fault.glob = "/kq/Changer*.dat";
    fault.status = 500;
    h.lib.server().setFaults({fault});
    ServerTable servers = h.lib.table();
    for (int i = 1; i < 6; ++i)
        servers.urls[i] = second.url();
    TForm1 &f = h.start(servers);
    ASSERT_TRUE(h.started);
    EXPECT_EQ(h.prompts.shown, QStringList{"message: 与#0号主机通信失败,尝试连接下一台服务器!"});
    EXPECT_EQ(f.cat.ServerIndex, 1);
    EXPECT_FALSE(f.cat.CateUpdateTimes[0].isEmpty());
}

TEST(Failover, NoChangeFileAnywhereEndsTheProgramDuringStartUp)
{
    WindowHarness h(small());
    library::FaultRule fault;
    fault.glob = "/kq/Changer*.dat";
    fault.drop = true;
    h.lib.server().setFaults({fault});
    TForm1 &f = h.start();
    EXPECT_FALSE(h.started);
    ASSERT_EQ(h.prompts.shown.size(), 7);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(h.prompts.shown[i], QString("message: 与#%1号主机通信失败,尝试连接下一台服务器!").arg(i));
    EXPECT_EQ(h.prompts.shown[6], "message: 所有服务器均无法连接,请与管理员联系!");
    EXPECT_EQ(h.life.requests, 1);
    f.close();
    EXPECT_FALSE(QFileInfo::exists(h.settingsFile()));
}

TEST(PageLoading, LatestEntriesSignedEntriesAndTheFortySixRule)
{
    WindowHarness h(small());
    QList<QByteArray> latest;
    for (int i = 10; i < 60; ++i)
        latest << QByteArray::number(i);
    latest[0] = "-7";
    latest.insert(3, "");   // skipped
    latest.insert(4, "999"); // outside the category: skipped
    h.writePage(0, makeRecords(80), latest);
    TForm1 &f = h.start();
    ASSERT_TRUE(h.started);
    // 50 usable entries: the list stops at 46, the file list takes all; the last one made stands first.
    ASSERT_EQ(f.TopList->topLevelItemCount(), 46);
    ASSERT_EQ(f.ListMain->topLevelItemCount(), 50);
    EXPECT_EQ(topText(f, 0, 3), "55");
    EXPECT_EQ(topText(f, 45, 3), "-7");
    EXPECT_EQ(topText(f, 45, 0), "A7  图7");
    EXPECT_EQ(topText(f, 45, 1), "2026-12-01 10:00");
    EXPECT_EQ(f.ListMain->topLevelItem(49)->text(3), "7");
    EXPECT_EQ(f.ListMain->topLevelItem(0)->text(0), "A59  图59");
}

TEST(PageLoading, MarksSurviveAReloadAndAFailedPageLeavesOneEmptyRowSilently)
{
    WindowHarness h(small());
    h.writePage(0, makeRecords(20), {"3", "4"});
    TForm1 &f = h.start();
    f.cat.setMark(0, 3);
    h.writePage(0, makeRecords(24), {"3", "4", "23"});
    f.ReloadCate();
    EXPECT_EQ(f.SGMainModel->recordCount(), 24);
    EXPECT_TRUE(f.cat.isMarked(0, 3));
    ASSERT_EQ(f.TopList->topLevelItemCount(), 3);
    EXPECT_EQ(topText(f, 2, 2), "√");
    EXPECT_EQ(topText(f, 1, 2), "");

    library::FaultRule fault;
    fault.glob = "/kq/Page0.dat";
    fault.status = 404;
    h.lib.server().setFaults({fault});
    const QString before = f.statusPanelText(0);
    f.ReloadCate();
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    EXPECT_EQ(f.SGMainModel->rowCount(), 1);
    EXPECT_TRUE(f.SGMainModel->cell(0, 0).isEmpty());
    EXPECT_EQ(f.TopList->topLevelItemCount(), 0);
    EXPECT_EQ(f.ListMain->topLevelItemCount(), 0);
    EXPECT_EQ(f.statusPanelText(0), before);
    EXPECT_TRUE(f.cat.isMarked(0, 3)); // marks outlive a failed load
}

namespace {
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
} // namespace

TEST(Window, RightClicksAreSwallowedInsideTheWebPagesOnly)
{
    WindowHarness h(small());
    TForm1 &f = h.start();
    auto *page = new PressCounter(new QWidget(f.WebBrowsers[2]));
    auto *elsewhere = new PressCounter(f.Panel6);
    press(page, Qt::RightButton);
    press(page, Qt::LeftButton);
    press(elsewhere, Qt::RightButton);
    EXPECT_EQ(page->presses, 1);
    EXPECT_EQ(page->menus, 0);
    EXPECT_EQ(elsewhere->presses, 1);
    EXPECT_EQ(elsewhere->menus, 1);
}

TEST(Window, StatusPanelsKeepTheirWidthsAndTheWindowItsDesignSize)
{
    WindowHarness h(small());
    TForm1 &f = h.start();
    f.resize(963, 742);
    EXPECT_EQ(f.width(), 963);
    const QStringList names{"StatusPanel0", "StatusPanel1", "StatusPanel2", "StatusPanel3"};
    const int widths[] = {200, 150, 300, 500};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(f.StatusBar1->findChild<QWidget *>(names[i])->width(), widths[i]) << i;
}
