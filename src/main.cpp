#include "gui/app/app_title.h"
#include "gui/app/command_line.h"
#include "gui/app/desktop_alerts.h"
#include "gui/app/web_module.h"
#include "gui/app/gui_platform.h"
#include "gui/app/launcher.h"
#include "gui/app/main_window.h"
#include "core/catalogue/gbk.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/picture_grid.h"
#include "platform/bus_notifier.h"
#include "platform/data_folder.h"
#include "platform/launch_clock.h"
#include "platform/lifecycle.h"
#include "platform/qt_settings_store.h"
#include "platform/single_instance.h"
#include "core/server/build_config.h"

#include <QApplication>
#include <QMessageBox>
#include <QNetworkProxyFactory>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>

using namespace kestrin;

namespace {

// Long enough for the window's first frames, well before the first poll could bring a notice.
constexpr int kPrepareTrayDelayMs = 500;

// For timing tools (KESTRIN_REPORT_GRID_DRAWN set): one line on stderr once the picture grid has first
// been drawn with records, after that frame went to the display.
class GridDrawnReport : public QObject
{
public:
    explicit GridDrawnReport(PictureGrid *grid) : m_grid(grid) { grid->viewport()->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_grid->model()->rowCount() > 0) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, [] { std::fprintf(stderr, "kestrin: grid drawn %.1f ms\n", msSinceLaunch()); });
        }
        return false;
    }

private:
    PictureGrid *m_grid;
};

} // namespace

int main(int argc, char **argv)
{
    // --help, --version and a wrong command line are answered without a display.
    if (const std::optional<int> answered = answerCommandLine(argc, argv))
        return *answered;
    // Qt would abort with a message of its own about its platform plugin.
    if (const QString missing = missingDisplay(CommandLine::parse(argc, argv)); !missing.isEmpty()) {
        std::fprintf(stderr, "%s\n", missing.toLocal8Bit().constData());
        return exit_status::kCannotStart;
    }
    const WebPages webPages = prepareWebPages();
    QApplication app(argc, argv);
    setUpApplication(app);
    // A second copy would rewrite the download queue from its own list over the first one's; it shows the
    // running copy instead, before making any window or file.
    SingleInstance instance(QStringLiteral("kestrin"));
    if (instance.claim() == SingleInstance::Claim::AnotherRuns)
        return exit_status::kNormal;
    if (!gbk::available()) {
        QMessageBox::critical(nullptr, kAppTitle, QStringLiteral("系统缺少GBK编码支持，无法运行。"));
        return exit_status::kCannotStart;
    }
    // The files an earlier release kept one folder deeper come along before the queue is read.
    for (const QString &name : moveDataFiles(earlierDataFolder(), dataFolder()))
        std::fprintf(stderr, "kestrin: %s 留在 %s：%s 已有同名的较新文件或无法移入\n", qPrintable(name),
                     qPrintable(earlierDataFolder()), qPrintable(dataFolder()));
    // A proxy set in the environment or by the desktop is used, for the web pages too.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    GuiPrompts prompts;
    DesktopShell shell;
    QtSettingsStore settings;
    StandardShellFolders folders;
    Lifecycle life;
    ChimeSound sound; // prepared by its first chime
    TrayNotifier tray; // where the desktop has no notification service, or it fails
    BusNotifier notifier(&tray);
    MainWindow window(Platform{prompts, shell, settings, folders, life, ServerTable::builtIn(), {}, &sound, &notifier, {},
                               webPages.make, webPages.warmUp, webPages.engine});
    std::unique_ptr<GridDrawnReport> report;
    if (qEnvironmentVariableIsSet("KESTRIN_REPORT_GRID_DRAWN"))
        report = std::make_unique<GridDrawnReport>(window.galleryPage()->pictureGrid());
    Launcher launcher(window, prompts, life);
    QObject::connect(&instance, &SingleInstance::activationRequested, &launcher, &Launcher::bringToFront);
    launcher.launch();
    // The tray takes a while to ask for: not before the window is drawn (a notice wanted sooner puts
    // the icon there itself). The audio libraries come in with the first chime: a program that has
    // announced nothing yet does not hold them.
    QObject::connect(&window, &MainWindow::startFinished, &launcher, [&launcher, &tray] {
        QTimer::singleShot(kPrepareTrayDelayMs, &launcher, [&tray] { tray.prepare(); });
    });
    return app.exec();
}
