#include "app/gui_platform.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace kestrin {

void GuiPrompts::message(const QString &text)
{
    QMessageBox::information(m_parent, QStringLiteral("图库"), text);
}

bool GuiPrompts::confirm(const QString &text)
{
    return QMessageBox::question(m_parent, QStringLiteral("确认"), text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

bool GuiPrompts::warnYesNo(const QString &text)
{
    return QMessageBox::warning(m_parent, QStringLiteral("警告"), text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

QString GuiPrompts::chooseFolder(const QString &title)
{
    return QFileDialog::getExistingDirectory(m_parent, title, QString());
}

bool DesktopShell::open(const QString &target)
{
    const QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(target) : QUrl::fromUserInput(target);
    return QDesktopServices::openUrl(url);
}

void DesktopShell::openWith(const QString &path)
{
    const QString program = QFileDialog::getOpenFileName(nullptr, QStringLiteral("选择打开 %1 的程序").arg(QFileInfo(path).fileName()),
                                                         QStringLiteral("/usr/bin"));
    if (!program.isEmpty())
        QProcess::startDetached(program, {path});
}

} // namespace kestrin
