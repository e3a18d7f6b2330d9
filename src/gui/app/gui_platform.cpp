#include "gui/app/gui_platform.h"

#include "gui/app/app_title.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QIcon>
#include <QLocale>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QProcess>
#include <QTranslator>
#include <QUrl>

namespace kestrin {

namespace {

// A box asked while the program shows it is busy (start-up) gets the ordinary pointer back for as long
// as it is open.
class ArrowWhileOpen
{
public:
    ArrowWhileOpen() : m_busy(QApplication::overrideCursor() != nullptr)
    {
        if (m_busy)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowWhileOpen()
    {
        if (m_busy)
            QApplication::restoreOverrideCursor();
    }
    ArrowWhileOpen(const ArrowWhileOpen &) = delete;
    ArrowWhileOpen &operator=(const ArrowWhileOpen &) = delete;

private:
    bool m_busy;
};

} // namespace

void GuiPrompts::message(const QString &text)
{
    const ArrowWhileOpen arrow;
    QMessageBox::information(m_parent, kAppTitle, text);
}

void GuiPrompts::titledMessage(const QString &title, const QString &text)
{
    const ArrowWhileOpen arrow;
    QMessageBox::information(m_parent, title, text);
}

bool GuiPrompts::confirm(const QString &text)
{
    const ArrowWhileOpen arrow;
    return QMessageBox::question(m_parent, QStringLiteral("确认"), text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

bool GuiPrompts::warnYesNo(const QString &text)
{
    const ArrowWhileOpen arrow;
    return QMessageBox::warning(m_parent, QStringLiteral("警告"), text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void GuiPrompts::warning(const QString &text)
{
    const ArrowWhileOpen arrow;
    QMessageBox::warning(m_parent, QStringLiteral("警告"), text, QMessageBox::Yes);
}

Prompts::Answer GuiPrompts::ask(const QString &text)
{
    const ArrowWhileOpen arrow;
    QMessageBox box(QMessageBox::Question, QStringLiteral("确认"), text, QMessageBox::Yes | QMessageBox::No, m_parent);
    // The close button answers nothing; Escape still answers No.
    QPushButton *dismiss = box.addButton(QStringLiteral("dismiss"), QMessageBox::RejectRole);
    dismiss->hide();
    box.setEscapeButton(dismiss);
    QPushButton *no = qobject_cast<QPushButton *>(box.button(QMessageBox::No));
    struct EscapeIsNo : QObject
    {
        QPushButton *no;
        explicit EscapeIsNo(QPushButton *b) : no(b) {}
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(e)->key() == Qt::Key_Escape) {
                no->click();
                return true;
            }
            return false;
        }
    } escape(no);
    box.installEventFilter(&escape);
    box.exec();
    if (box.clickedButton() == box.button(QMessageBox::Yes))
        return Answer::Yes;
    return box.clickedButton() == no ? Answer::No : Answer::Dismissed;
}

QString GuiPrompts::chooseFolder(const QString &title, const QString &start)
{
    const ArrowWhileOpen arrow;
    return QFileDialog::getExistingDirectory(m_parent, title, start);
}

bool DesktopShell::open(const QString &target)
{
    const QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(target) : QUrl::fromUserInput(target);
    return url.isValid() && QDesktopServices::openUrl(url);
}

namespace {

void chooseProgram(const QString &path)
{
    const QString program = QFileDialog::getOpenFileName(
        nullptr, QStringLiteral("选择打开 %1 的程序").arg(QFileInfo(path).fileName()), QStringLiteral("/usr/bin"));
    if (!program.isEmpty())
        QProcess::startDetached(program, {path});
}

} // namespace

DesktopShell::DesktopShell() : m_chooser(chooseProgram) {}

void DesktopShell::openWith(const QString &path) { m_chooser.openWith(path); }

void setUpApplication(QApplication &app)
{
    // Dates, sizes and Qt's own texts in the user interface's language.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QApplication::setApplicationName(QStringLiteral("Kestrin"));
    QApplication::setOrganizationName(QStringLiteral("Kestrin"));
    // Matches the installed .desktop file, so the desktop pairs the window with its launcher.
    QGuiApplication::setDesktopFileName(QStringLiteral("kestrin"));
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/kestrin-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    installQtTranslations(app);
}

bool installQtTranslations(QApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QApplication::installTranslator(translator);
}

} // namespace kestrin
