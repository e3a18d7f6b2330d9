#include "gui/ui/widget_kit.h"

#include "gui/ui/artwork.h"

#include <QApplication>
#include <QCache>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStaticText>
#include <QLabel>
#include <QToolButton>
#include <QTreeView>

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

void setBold(QWidget *w, bool bold)
{
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

bool isActivationKey(const QKeyEvent *event)
{
    const int key = event->key();
    const bool plain = (event->modifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier)) == Qt::NoModifier;
    return plain && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space);
}

void chainTabs(const QList<QWidget *> &widgets)
{
    for (qsizetype i = 1; i < widgets.size(); ++i)
        QWidget::setTabOrder(widgets[i - 1], widgets[i]);
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

QString literalCaption(QString caption) { return caption.replace(QLatin1Char('&'), QLatin1String("&&")); }

QToolButton *flatButton(QWidget *parent, const char *name, const QString &text, bool checkable)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    b->setAutoRaise(true);
    b->setCheckable(checkable);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

void setUpReportView(QTreeView *v, const char *name, const QList<int> &widths, bool headers)
{
    v->setObjectName(QLatin1String(name));
    v->setRootIsDecorated(false);
    v->setUniformRowHeights(true);
    v->setItemsExpandable(false);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setAllColumnsShowFocus(true);
    v->setTextElideMode(Qt::ElideRight);
    v->setHeaderHidden(!headers);
    v->header()->setStretchLastSection(false);
    for (int i = 0; i < widths.size(); ++i) {
        v->setColumnWidth(i, widths[i]);
        v->setColumnHidden(i, widths[i] == 0);
    }
}

QColor toneColour(PictureTone tone)
{
    switch (tone) {
    case PictureTone::Red: return QColor(255, 0, 0);
    case PictureTone::Black: return QColor(0, 0, 0);
    case PictureTone::Grey: return QColor(128, 128, 128);
    case PictureTone::Blue: break;
    }
    return QColor(0, 0, 255);
}

struct ToneRowDelegate::Layouts
{
    QCache<QString, QStaticText> texts{4000};
};

ToneRowDelegate::ToneRowDelegate(int toneRole, QObject *parent)
    : QStyledItemDelegate(parent), m_role(toneRole), m_layouts(std::make_unique<Layouts>())
{
}

ToneRowDelegate::~ToneRowDelegate() = default;

void ToneRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget); // background and selection
    if (text.isEmpty())
        return;
    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget).adjusted(2, 0, -2, 0);
    const QString key = text + QChar(u'|') + QString::number(area.width());
    QStaticText *laid = m_layouts->texts.object(key);
    if (!laid) {
        laid = new QStaticText(opt.fontMetrics.elidedText(text, Qt::ElideRight, area.width()));
        laid->setTextFormat(Qt::PlainText);
        laid->prepare(QTransform(), opt.font);
        m_layouts->texts.insert(key, laid);
    }
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(QPalette::Text));
    painter->drawStaticText(area.left(), area.top() + (area.height() - opt.fontMetrics.height()) / 2, *laid);
    painter->restore();
}

void ToneRowDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QColor colour = toneColour(PictureTone(index.data(m_role).toInt()));
    option->palette.setColor(QPalette::Text, colour);
    option->palette.setColor(QPalette::HighlightedText, colour);
    option->palette.setColor(QPalette::Highlight, QColor(220, 230, 250));
}

} // namespace kestrin::kit
