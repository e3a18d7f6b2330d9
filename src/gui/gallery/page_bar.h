#pragma once
#include "core/gallery/navigation.h"

#include <QWidget>

namespace kestrin {

// The bar above the grid: the page buttons of a category, or the personal zone's buttons. One widget
// paints every entry as a flat button, so a category of 400 pages costs one widget, not 400. It is one
// stop of the Tab chain, like a radio group: the arrows move the focused entry, Return or Space
// presses it.
class PageBar : public QWidget
{
    Q_OBJECT
public:
    using Entry = navigation::BarEntry;

    explicit PageBar(QWidget *parent = nullptr);

    void clear();
    void addEntry(const Entry &entry);
    void setEntries(QList<Entry> entries);
    const QList<Entry> &entries() const { return m_entries; }
    QRect entryRect(int i) const;
    int entryAt(const QPoint &pos) const; // -1 over no entry
    // Puts a checkable entry down and releases the others of the group.
    void check(int i);
    // What a click on entry i does (also a screen reader's press).
    void activate(int i);

signals:
    void entryClicked(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void setHover(int i);
    void setFocusEntry(int i);

    QList<Entry> m_entries;
    QFont m_entryFont;
    int m_hover = -1;
    int m_pressed = -1;
    int m_focus = 0; // the entry the keyboard acts on
};

} // namespace kestrin
