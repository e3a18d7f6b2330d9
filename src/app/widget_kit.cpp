#include "app/widget_kit.h"

#include "app/artwork.h"

#include <QHeaderView>
#include <QLabel>
#include <QToolButton>
#include <QTreeWidget>

namespace kestrin::kit {

void setTextColour(QWidget *w, QColor colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, colour);
    pal.setColor(QPalette::ButtonText, colour);
    w->setPalette(pal);
}

void setBackground(QWidget *w, QColor colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

void setPixelFont(QWidget *w, int pixels, bool bold)
{
    QFont f = w->font();
    f.setFamilies(uiFontFamilies());
    f.setPixelSize(pixels);
    f.setBold(bold);
    w->setFont(f);
}

QWidget *panel(QWidget *parent, const char *name, QColor colour)
{
    auto *p = new QWidget(parent);
    p->setObjectName(QLatin1String(name));
    if (colour.isValid())
        setBackground(p, colour);
    return p;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, QColor colour)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    if (colour.isValid())
        setTextColour(l, colour);
    return l;
}

QToolButton *speedButton(QWidget *parent, const char *name, const QString &text, bool checkable)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    b->setAutoRaise(true);
    b->setCheckable(checkable);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

QTreeWidget *reportView(QWidget *parent, const char *name, const QList<int> &widths, const QStringList &headers)
{
    auto *v = new QTreeWidget(parent);
    v->setObjectName(QLatin1String(name));
    v->setColumnCount(int(widths.size()));
    v->setRootIsDecorated(false);
    v->setUniformRowHeights(true);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setAllColumnsShowFocus(true);
    if (headers.isEmpty())
        v->setHeaderHidden(true);
    else
        v->setHeaderLabels(headers);
    v->header()->setStretchLastSection(false);
    for (int i = 0; i < widths.size(); ++i) {
        v->setColumnWidth(i, widths[i]);
        if (widths[i] == 0)
            v->setColumnHidden(i, true);
    }
    return v;
}

} // namespace kestrin::kit
