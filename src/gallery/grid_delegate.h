#pragma once
#include <QStyledItemDelegate>
#include <functional>

namespace kestrin {

// Hands the painting of every grid cell to the window's draw handler; the view itself draws nothing.
class GridCellDelegate : public QStyledItemDelegate
{
public:
    using Draw = std::function<void(QPainter *, int column, int row, const QRect &)>;
    GridCellDelegate(Draw draw, QObject *parent) : QStyledItemDelegate(parent), m_draw(std::move(draw)) {}
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    Draw m_draw;
};

// Draws list rows in the toolkit's way, in the text colour the owner chooses per row.
class RowColourDelegate : public QStyledItemDelegate
{
public:
    using Colour = std::function<QColor(const QModelIndex &)>;
    RowColourDelegate(Colour colour, QObject *parent) : QStyledItemDelegate(parent), m_colour(std::move(colour)) {}

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    Colour m_colour;
};

} // namespace kestrin
