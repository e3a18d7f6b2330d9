#pragma once
#include <QWidget>

class QLabel;

namespace kestrin {

// The splash shown while the main window loads: our picture with the program's motto on it.
class SplashScreen : public QWidget
{
    Q_OBJECT
public:
    explicit SplashScreen(QWidget *parent = nullptr);
    QLabel *mottoLabel() const { return m_motto; }
    // What start-up is waiting for, said on the picture once the wait gets long.
    void showWaiting(const QString &text);
    QLabel *waitingLabel() const { return m_waiting; }

private:
    QLabel *m_motto;
    QLabel *m_waiting;
};

} // namespace kestrin
