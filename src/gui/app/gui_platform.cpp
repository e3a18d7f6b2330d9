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
#include <QLabel>
#include <QMap>
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

// Qt draws the box's icon in an unnamed label; a screen reader says what it shows.
void nameIcon(QMessageBox &box)
{
    static const QMap<QMessageBox::Icon, QString> names{{QMessageBox::Information, QStringLiteral("信息")},
                                                        {QMessageBox::Question, QStringLiteral("提问")},
                                                        {QMessageBox::Warning, QStringLiteral("警告")},
                                                        {QMessageBox::Critical, QStringLiteral("错误")}};
    if (auto *icon = box.findChild<QLabel *>(QStringLiteral("qt_msgboxex_icon_label")))
        icon->setAccessibleName(names.value(box.icon()));
}

QMessageBox::StandardButton showBox(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
                                    QMessageBox::StandardButtons buttons)
{
    const ArrowWhileOpen arrow;
    QMessageBox box(icon, title, text, buttons, parent);
    nameIcon(box);
    return QMessageBox::StandardButton(box.exec());
}

} // namespace

void GuiPrompts::message(const QString &text)
{
    showBox(m_parent, QMessageBox::Information, kAppTitle, text, QMessageBox::Ok);
}

void GuiPrompts::titledMessage(const QString &title, const QString &text)
{
    showBox(m_parent, QMessageBox::Information, title, text, QMessageBox::Ok);
}

bool GuiPrompts::confirm(const QString &text)
{
    return showBox(m_parent, QMessageBox::Question, QStringLiteral("确认"), text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

bool GuiPrompts::warnYesNo(const QString &text)
{
    return showBox(m_parent, QMessageBox::Warning, QStringLiteral("警告"), text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void GuiPrompts::warning(const QString &text)
{
    showBox(m_parent, QMessageBox::Warning, QStringLiteral("警告"), text, QMessageBox::Yes);
}

Prompts::Answer GuiPrompts::ask(const QString &text)
{
    const ArrowWhileOpen arrow;
    QMessageBox box(QMessageBox::Question, QStringLiteral("确认"), text, QMessageBox::Yes | QMessageBox::No, m_parent);
    nameIcon(box);
    // The close button answers nothing; Escape still answers No.
    QPushButton *dismiss = box.addButton(QStringLiteral("dismiss"), QMessageBox::RejectRole);
    dismiss->hide();
    dismiss->setAccessibleName(QStringLiteral("关闭"));
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
