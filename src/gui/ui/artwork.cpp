#include "gui/ui/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kestrin {

QStringList uiFontFamilies()
{
    return {QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
            QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Sans Serif")};
}

QPixmap splashPicture()
{
    QPixmap pm(468, 313);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 313);
    sky.setColorAt(0, QColor(28, 62, 132));
    sky.setColorAt(1, QColor(98, 154, 238));
    p.fillRect(pm.rect(), sky);
    // A drafting grid, like a sheet of blueprint paper.
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    for (int x = 0; x < 468; x += 18)
        p.drawLine(x, 0, x, 313);
    for (int y = 0; y < 313; y += 18)
        p.drawLine(0, y, 468, y);
    // A kestrel's outline gliding over the sheet.
    QPainterPath bird;
    bird.moveTo(120, 150);
    bird.cubicTo(170, 100, 220, 95, 250, 120);
    bird.cubicTo(290, 80, 350, 70, 400, 90);
    bird.cubicTo(340, 110, 300, 130, 270, 150);
    bird.lineTo(300, 185);
    bird.lineTo(255, 165);
    bird.cubicTo(210, 160, 170, 150, 120, 150);
    p.setPen(QPen(QColor(255, 255, 255, 220), 2));
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawPath(bird);
    QFont f;
    f.setFamilies(uiFontFamilies());
    f.setPixelSize(44);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(24, 24, 420, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("图库 Kestrin"));
    return pm;
}

QPixmap carrierPicture(int carrier)
{
    const bool second = carrier == 1;
    QPixmap pm(148, 47);
    pm.fill(second ? QColor(30, 90, 170) : QColor(190, 40, 40));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 2));
    for (int i = 0; i < 3; ++i)
        p.drawArc(QRect(10 + i * 6, 12 + i * 6, 34 - i * 12, 34 - i * 12), 30 * 16, 120 * 16);
    QFont f;
    f.setFamilies(uiFontFamilies());
    f.setPixelSize(18);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(48, 0, 96, 47), Qt::AlignCenter, second ? QStringLiteral("网通线路") : QStringLiteral("电信线路"));
    return pm;
}

} // namespace kestrin
