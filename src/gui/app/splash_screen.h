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

private:
    QLabel *m_motto;
};

} // namespace kestrin
