#include "app/app_title.h"
#include "app/desktop_alerts.h"
#include "app/gui_platform.h"
#include "app/launcher.h"
#include "app/main_window.h"
#include "catalogue/gbk.h"
#include "platform/lifecycle.h"
#include "platform/qt_settings_store.h"

#include <QApplication>
#include <QMessageBox>

using namespace kestrin;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    setUpApplication(app);
    if (!gbk::available()) {
        QMessageBox::critical(nullptr, kAppTitle, QStringLiteral("系统缺少GBK编码支持，无法运行。"));
        return 1;
    }
    GuiPrompts prompts;
    DesktopShell shell;
    QtSettingsStore settings;
    StandardShellFolders folders;
    Lifecycle life;
    ChimeSound sound;
    TrayNotifier notifier;
    MainWindow window(Platform{prompts, shell, settings, folders, life, ServerTable::builtIn(), {}, &sound, &notifier, {}});
    Launcher launcher(window, prompts, life);
    launcher.launch();
    return app.exec();
}
