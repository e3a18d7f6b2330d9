#pragma once
#include "platform/portal_chooser.h"
#include "platform/prompts.h"
#include "platform/shell.h"

class QApplication;
class QWidget;

namespace kestrin {

// Real message boxes and folder chooser, centred over whichever window is in front: the splash
// during start-up, then the main window.
class GuiPrompts : public Prompts
{
public:
    void setParent(QWidget *parent) { m_parent = parent; }
    void message(const QString &text) override;
    void titledMessage(const QString &title, const QString &text) override;
    bool confirm(const QString &text) override;
    bool warnYesNo(const QString &text) override;
    void warning(const QString &text) override;
    Answer ask(const QString &text) override;
    QString chooseFolder(const QString &title, const QString &start) override;

private:
    QWidget *m_parent = nullptr;
};

class DesktopShell : public Shell
{
public:
    DesktopShell();
    bool open(const QString &pathOrUrl) override;
    // The desktop's chooser where a portal offers it; elsewhere our own: the user picks a program,
    // which is started with the file.
    void openWith(const QString &path) override;

private:
    PortalChooser m_chooser;
};

// The application's names, and Qt's own Chinese texts for standard buttons and dialogs (确定, 是, 否,
// 取消). No display name is set: the platform would append it to every window title.
void setUpApplication(QApplication &app);
// false when Qt's translation files are missing.
bool installQtTranslations(QApplication &app);

} // namespace kestrin
