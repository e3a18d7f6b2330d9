#include "gui/gallery/category_bar.h"

#include "core/gallery/navigation.h"
#include "gui/ui/widget_kit.h"

#include <QButtonGroup>
#include <QToolButton>

namespace kestrin {

CategoryBar::CategoryBar(QWidget *parent) : QWidget(parent) { setObjectName(QStringLiteral("categoryBar")); }

void CategoryBar::setCategories(const QStringList &captions)
{
    qDeleteAll(m_buttons);
    m_buttons.clear();
    delete m_group;
    m_group = new QButtonGroup(this);
    QStringList all = captions;
    all << QStringLiteral("进入自选专区");
    const QList<navigation::ButtonPlace> places = navigation::categoryButtonPlaces(all);
    for (int i = 0; i < all.size(); ++i) {
        const bool zone = i == captions.size();
        QToolButton *b = kit::flatButton(this, "", zone ? all[i] : kit::literalCaption(all[i]), !zone);
        b->setObjectName(zone ? QStringLiteral("zoneButton") : QStringLiteral("categoryButton%1").arg(i));
        b->setGeometry(places[i].left, 9, places[i].width, 24);
        if (!zone)
            m_group->addButton(b, i);
        connect(b, &QToolButton::clicked, this, [this, i] { emit buttonClicked(i); });
        b->show();
        m_buttons << b;
    }
    setCurrent(0);
}

void CategoryBar::setCurrent(int category)
{
    for (int i = 0; i + 1 < m_buttons.size(); ++i) {
        kit::setTextColour(m_buttons[i], i == category ? Qt::red : Qt::black);
        kit::setBold(m_buttons[i], i == category);
    }
    if (category >= 0 && category + 1 < m_buttons.size())
        m_buttons[category]->setChecked(true);
}

void CategoryBar::setZoneLook(const QString &caption, bool highlighted)
{
    QToolButton *zone = zoneButton();
    if (!zone)
        return;
    zone->setText(caption);
    kit::setTextColour(zone, highlighted ? Qt::red : Qt::black);
    kit::setBold(zone, highlighted);
}

} // namespace kestrin
