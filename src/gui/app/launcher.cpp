#include "gui/app/launcher.h"

#include "gui/app/gui_platform.h"
#include "gui/app/main_window.h"
#include "gui/app/splash_screen.h"
#include "platform/lifecycle.h"

#include <QApplication>

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
    connect(&m_window, &MainWindow::startFinished, this, [this](bool started) {
        m_prompts.setParent(started ? &m_window : nullptr);
        m_splash->close();
        if (!started) {
            m_life.requestTermination();
            return;
        }
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
