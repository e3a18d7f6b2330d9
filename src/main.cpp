#include "gui/app/app_title.h"
#include "gui/app/desktop_alerts.h"
#include "gui/app/web_module.h"
#include "gui/app/gui_platform.h"
#include "gui/app/launcher.h"
#include "gui/app/main_window.h"
#include "core/catalogue/gbk.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/picture_grid.h"
#include "platform/bus_notifier.h"
#include "platform/launch_clock.h"
#include "platform/lifecycle.h"
#include "platform/qt_settings_store.h"
#include "platform/single_instance.h"
#include "core/server/build_config.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace kestrin;

namespace {

// Long enough for the window's first frames, well before the first poll could bring a notice.
constexpr int kPrepareTrayDelayMs = 500;

// "--version" and "--help" answer without a display, before any window exists.
bool answersFromTheCommandLine(int argc, char **argv, int *exitCode)
{
    bool asked = false;
    for (int i = 1; i < argc; ++i)
        asked = asked || !std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "-v") ||
                !std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h");
    if (!asked)
        return false;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kestrin"));
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTRIN_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("图库 (Kestrin): keeps you in step with a picture library published on HTTP servers.\n\n"
                       "Files it keeps:\n"
                       "  settings (save folder, remembered user): %1\n"
                       "  personal zone users and picks:           %2\n"
                       "  download queue:                          %3\n"
                       "Servers: %4\n"
                       "Web pages shown by: %5")
            .arg(QtSettingsStore().location(),
                 StandardShellFolders().folder(QStringLiteral("Personal")) + QStringLiteral("/MySelect.ini"),
                 StandardShellFolders().folder(QStringLiteral("AppData")) + QStringLiteral("/queue.json"),
                 ServerTable::builtIn().urls.join(QStringLiteral(" ")), QDir::cleanPath(webModulePath())));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app); // prints and exits for --help and --version
    *exitCode = 0;
    return true;
}

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
    int exitCode = 0;
    if (answersFromTheCommandLine(argc, argv, &exitCode))
        return exitCode;
    const WebPages webPages = prepareWebPages();
    QApplication app(argc, argv);
    setUpApplication(app);
    // A second copy would rewrite the download queue from its own list over the first one's; it shows the
    // running copy instead, before making any window or file.
    SingleInstance instance(QStringLiteral("kestrin"));
    if (instance.claim() == SingleInstance::Claim::AnotherRuns)
        return 0;
    if (!gbk::available()) {
        QMessageBox::critical(nullptr, kAppTitle, QStringLiteral("系统缺少GBK编码支持，无法运行。"));
        return 1;
    }
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
