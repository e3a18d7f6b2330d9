#include "gui/gallery/page_bar.h"
#include "gui/gallery/page_bar_accessible.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionToolButton>

namespace kestrin {

namespace {
constexpr int kTop = 8;
constexpr int kHeight = 24;
} // namespace

PageBar::PageBar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pageBar"));
    exposeEntries(this);
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    m_entryFont = font();
    m_entryFont.setPointSize(10);
}

void PageBar::clear()
{
    m_entries.clear();
    m_hover = m_pressed = -1;
    m_focus = 0;
    update();
}

void PageBar::addEntry(const Entry &entry)
{
    Entry e = entry;
    e.checked = e.checkable && e.checked; // an entry outside the group never stays down
    if (e.checked) {
        for (Entry &other : m_entries)
            other.checked = false;
    }
    m_entries.append(e);
    update(entryRect(int(m_entries.size()) - 1));
}

void PageBar::setEntries(QList<Entry> entries)
{
    m_entries.clear();
    m_hover = m_pressed = -1;
    m_focus = 0;
    for (const Entry &e : entries)
        addEntry(e);
    // The keyboard starts where the bar stands: at the entry that is down.
    for (int i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].checked)
            m_focus = i;
    update();
}

QRect PageBar::entryRect(int i) const
{
    if (i < 0 || i >= m_entries.size())
        return {};
    return QRect(m_entries[i].left, kTop, m_entries[i].width, kHeight);
}

int PageBar::entryAt(const QPoint &pos) const
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (entryRect(i).contains(pos))
            return i;
    }
    return -1;
}

void PageBar::check(int i)
{
    if (i < 0 || i >= m_entries.size() || !m_entries[i].checkable)
        return;
    for (Entry &e : m_entries)
        e.checked = e.checkable && &e == &m_entries[i];
    update();
}

void PageBar::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    for (int i = 0; i < m_entries.size(); ++i) {
        const QRect r = entryRect(i);
        if (!r.intersects(event->rect()))
            continue;
        QStyleOptionToolButton opt;
        opt.initFrom(this);
        opt.rect = r;
        opt.text = m_entries[i].caption;
        opt.font = m_entryFont;
        opt.toolButtonStyle = Qt::ToolButtonTextOnly;
        opt.subControls = QStyle::SC_ToolButton;
        opt.features = QStyleOptionToolButton::None;
        opt.state |= QStyle::State_AutoRaise;
        if (hasFocus() && i == m_focus)
            opt.state |= QStyle::State_HasFocus;
        else
            opt.state &= ~QStyle::State_HasFocus;
        if (i == m_hover)
            opt.state |= QStyle::State_MouseOver | QStyle::State_Raised;
        else
            opt.state &= ~QStyle::State_MouseOver;
        if (i == m_pressed && i == m_hover)
            opt.state |= QStyle::State_Sunken;
        if (m_entries[i].checked)
            opt.state |= QStyle::State_On;
        painter.setFont(m_entryFont);
        style()->drawComplexControl(QStyle::CC_ToolButton, &opt, &painter, this);
    }
}

void PageBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = entryAt(event->position().toPoint());
    update(entryRect(m_pressed));
}

void PageBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int pressed = m_pressed;
    m_pressed = -1;
    update(entryRect(pressed));
    if (pressed < 0 || entryAt(event->position().toPoint()) != pressed)
        return;
    activate(pressed);
}

void PageBar::activate(int i)
{
    if (i < 0 || i >= m_entries.size())
        return;
    check(i);
    emit entryClicked(i);
}

void PageBar::keyPressEvent(QKeyEvent *event)
{
    const int last = int(m_entries.size()) - 1;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        setFocusEntry(m_focus - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        setFocusEntry(m_focus + 1);
        break;
    case Qt::Key_Home:
        setFocusEntry(0);
        break;
    case Qt::Key_End:
        setFocusEntry(last);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        activate(m_focus);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void PageBar::setFocusEntry(int i)
{
    if (i < 0 || i >= m_entries.size() || i == m_focus)
        return;
    update(entryRect(m_focus));
    m_focus = i;
    update(entryRect(m_focus));
}

void PageBar::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update(entryRect(m_focus));
}

void PageBar::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update(entryRect(m_focus));
}

void PageBar::mouseMoveEvent(QMouseEvent *event) { setHover(entryAt(event->position().toPoint())); }

void PageBar::leaveEvent(QEvent *) { setHover(-1); }

void PageBar::setHover(int i)
{
    if (i == m_hover)
        return;
    update(entryRect(m_hover));
    m_hover = i;
    update(entryRect(m_hover));
}

} // namespace kestrin
