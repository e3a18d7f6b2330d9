#include "gui/app/splash_screen.h"

#include "gui/app/app_title.h"
#include "core/catalogue/gbk.h"
#include "gui/ui/artwork.h"

#include <QLabel>
#include <QScreen>

namespace kestrin {

SplashScreen::SplashScreen(QWidget *parent) : QWidget(parent, Qt::FramelessWindowHint | Qt::SplashScreen)
{
    setObjectName(QStringLiteral("splashScreen"));
    setWindowTitle(kAppTitle);
    setFixedSize(468, 312);
    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("splashPicture"));
    picture->setGeometry(0, 0, 468, 313);
    picture->setPixmap(splashPicture());
    picture->setAccessibleName(QStringLiteral("掠过蓝图纸的隼"));
    m_motto = new QLabel(kAppTitle + QStringLiteral("Kestrin上图最早、最快、最稳定"), this);
    m_motto->setObjectName(QStringLiteral("mottoLabel"));
    QFont f;
    f.setFamilies(uiFontFamilies());
    f.setPixelSize(21);
    f.setBold(true);
    m_motto->setFont(f);
    m_motto->setAutoFillBackground(true);
    QPalette pal = m_motto->palette();
    pal.setColor(QPalette::Window, QColor(98, 154, 238));
    pal.setColor(QPalette::WindowText, Qt::white);
    m_motto->setPalette(pal);
    // 11 pixels per GBK byte, ending 10 pixels short of the picture's right edge.
    const int width = int(11 * gbk::byteLength(m_motto->text()));
    m_motto->setGeometry(picture->width() - width - 10, 280, width, 21);
    m_waiting = new QLabel(this);
    m_waiting->setObjectName(QStringLiteral("waitingLabel"));
    m_waiting->setGeometry(10, 250, picture->width() - 20, 22);
    m_waiting->setAlignment(Qt::AlignCenter);
    QFont small;
    small.setFamilies(uiFontFamilies());
    small.setPixelSize(13);
    m_waiting->setFont(small);
    m_waiting->setAutoFillBackground(true);
    QPalette waitPal = m_waiting->palette();
    waitPal.setColor(QPalette::Window, QColor(0, 0, 0, 150));
    waitPal.setColor(QPalette::WindowText, Qt::white);
    m_waiting->setPalette(waitPal);
    m_waiting->hide();
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void SplashScreen::showWaiting(const QString &text)
{
    m_waiting->setText(text);
    m_waiting->setAccessibleName(text);
    m_waiting->setVisible(!text.isEmpty());
}

} // namespace kestrin
