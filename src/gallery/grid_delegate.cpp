#include "gallery/grid_delegate.h"

#include <QPainter>

namespace kestrin {

void GridCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    painter->setClipRect(option.rect);
    m_draw(painter, index.column(), index.row(), option.rect);
    painter->restore();
}

void RowColourDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QColor colour = m_colour(index);
    option->palette.setColor(QPalette::Text, colour);
    option->palette.setColor(QPalette::HighlightedText, colour);
    option->palette.setColor(QPalette::Highlight, QColor(220, 230, 250));
}

} // namespace kestrin
