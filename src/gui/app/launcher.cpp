#include "gui/app/launcher.h"

#include "gui/app/gui_platform.h"
#include "gui/app/main_window.h"
#include "gui/app/splash_screen.h"
#include "platform/lifecycle.h"
#include "core/catalogue/gbk.h"
#include "core/server/remote_config.h"

#include <QApplication>
#include <QTimer>

namespace kestrin {

Launcher::Launcher(MainWindow &window, GuiPrompts &prompts, Lifecycle &life)
    : m_window(window), m_prompts(prompts), m_life(life)
{
}

Launcher::~Launcher() { delete m_splash; }

void Launcher::launch()
{
    m_splash = new SplashScreen;
    m_splash->show();
    m_prompts.setParent(m_splash);
    // A server that does not answer keeps the splash up until the time-out: the user is told for what.
    m_waitNotice = new QTimer(this);
    m_waitNotice->setSingleShot(true);
    m_waitNotice->setInterval(kWaitNoticeMs);
    connect(m_waitNotice, &QTimer::timeout, this, [this] {
        if (m_splash)
            m_splash->showWaiting(m_waitingFor);
    });
    m_waitingFor = QStringLiteral("正在连接图库服务器，请稍候…");
    m_waitNotice->start();
    connect(&m_window.session(), &LibrarySession::configured, this, [this](const RemoteConfig &config) {
        const QString caption = config.categories.isEmpty() ? QString() : gbk::decodeForDisplay(config.categories.first().caption, 64);
        m_waitingFor = QStringLiteral("正在载入“%1”的图纸列表，服务器无响应时最多等待%2秒…")
                           .arg(caption)
                           .arg(CategoryLoader::kPageReadTimeoutMs / 1000);
        if (m_splash)
            m_splash->showWaiting({});
        m_waitNotice->start();
    });
    connect(&m_window, &MainWindow::startFinished, this, [this](bool started) {
        m_waitNotice->stop();
        m_prompts.setParent(started ? &m_window : nullptr);
        m_splash->close();
        if (!started) {
            m_life.requestTermination();
            return;
        }
        // Gone, not hidden: a hidden window still stands in a screen reader's list of the program's windows.
        m_splash->deleteLater();
        m_splash = nullptr;
        m_window.showCentred();
    });
    m_window.start();
}

void Launcher::bringToFront()
{
    QWidget *front = m_window.isVisible() ? static_cast<QWidget *>(&m_window) : m_splash;
    if (!front || !front->isVisible())
        return;
    front->setWindowState((front->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    front->raise();
    front->activateWindow();
    if (QWidget *modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

} // namespace kestrin
