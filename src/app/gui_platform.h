#pragma once
#include "platform/prompts.h"
#include "platform/shell.h"

class QWidget;

namespace kestrin {

// Real message boxes and folder chooser, parented to the main window once it exists.
class GuiPrompts : public Prompts
{
public:
    void setParent(QWidget *parent) { m_parent = parent; }
    void message(const QString &text) override;
    bool confirm(const QString &text) override;
    bool warnYesNo(const QString &text) override;
    QString chooseFolder(const QString &title) override;

private:
    QWidget *m_parent = nullptr;
};

class DesktopShell : public Shell
{
public:
    bool open(const QString &pathOrUrl) override;
    // Our own chooser: the user picks a program, which is started with the file.
    void openWith(const QString &path) override;
};

} // namespace kestrin
