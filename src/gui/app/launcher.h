#pragma once
#include <QObject>
#include <QString>

class QTimer;

namespace kestrin {

class GuiPrompts;
class Lifecycle;
class MainWindow;
class SplashScreen;

// Start-up as the user sees it: the splash while the window loads, with start-up's messages over it,
// then the window centred on the screen and later messages over the window.
class Launcher : public QObject
{
    Q_OBJECT
public:
    Launcher(MainWindow &window, GuiPrompts &prompts, Lifecycle &life);
    ~Launcher() override;

    // After this long without start-up moving on, the splash says what it waits for.
    static constexpr int kWaitNoticeMs = 3000;

    void launch();
    // Brings the program to the user, as a second start asks: the window once shown, else the splash,
    // un-minimised, raised and active, with a message waiting for an answer kept on top.
    void bringToFront();
    SplashScreen *splash() const { return m_splash; }

private:
    MainWindow &m_window;
    GuiPrompts &m_prompts;
    Lifecycle &m_life;
    SplashScreen *m_splash = nullptr;
    QTimer *m_waitNotice = nullptr;
    QString m_waitingFor;
};

} // namespace kestrin
