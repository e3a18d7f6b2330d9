#include "gui/app/loading_popup.h"

#include "gui/ui/artwork.h"

#include <QLabel>

namespace kestrin {

LoadingPopup::LoadingPopup(QWidget *owner)
    : QWidget(owner, Qt::FramelessWindowHint | Qt::Tool | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("loadingPopup"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(185, 41);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(98, 154, 238));
    setPalette(pal);
    auto *text = new QLabel(QStringLiteral("载入中..."), this);
    text->setObjectName(QStringLiteral("loadingLabel"));
    QFont f;
    f.setFamilies(uiFontFamilies());
    f.setPixelSize(16);
    f.setBold(true);
    text->setFont(f);
    text->setStyleSheet(QStringLiteral("color: yellow"));
    text->move(59, 14);
    text->adjustSize();
}

void LoadingPopup::showOverOwner()
{
    if (QWidget *owner = parentWidget()) {
        const QRect area = owner->window()->frameGeometry();
        move(area.center() - rect().center());
    }
    show();
    raise();
}

} // namespace kestrin
