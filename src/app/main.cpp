#include "app/gui_platform.h"
#include "app/main_window.h"
#include "app/splash.h"
#include "catalogue/gbk.h"
#include "platform/lifecycle.h"
#include "platform/qt_settings_store.h"

#include <QApplication>
#include <QMessageBox>
#include <memory>

using namespace kestrin;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrin"));
    QApplication::setOrganizationName(QStringLiteral("Kestrin"));
    QApplication::setApplicationDisplayName(QStringLiteral("图库"));
    if (!gbk::available()) {
        QMessageBox::critical(nullptr, QStringLiteral("图库"), QStringLiteral("系统缺少GBK编码支持，无法运行。"));
        return 1;
    }

    auto splash = std::make_unique<TFrmLoading>();
    splash->show();
    splash->repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    GuiPrompts prompts;
    DesktopShell shell;
    QtSettingsStore settings;
    StandardShellFolders folders;
    Lifecycle life;
    TForm1 form(AppPlatform{prompts, shell, settings, folders, life, ServerTable::builtIn(), {}});
    prompts.setParent(&form);
    const bool started = form.FormCreate();
    splash.reset();
    if (!started || life.terminating())
        return 0;
    form.show();
    return app.exec();
}
