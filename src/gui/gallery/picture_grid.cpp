#include "gui/gallery/picture_grid.h"

#include "core/catalogue/catalogue.h"
#include "core/gallery/picture_grid_model.h"
#include "gui/ui/item_view_accessible.h"
#include "gui/ui/widget_kit.h"

#include <QCache>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStaticText>
#include <QStyledItemDelegate>

namespace kestrin {

namespace {

// The keyboard's current cell: a dark frame, apart from the three picture colours and the pointer's red.
const QColor kCurrentFrame(0, 0, 128);

// Paints a cell as the grid's rules say; the view itself draws nothing of its own in the cells. Laid
// out texts are kept, so a repaint (every move of the pointer to another cell repaints the grid) draws
// them without shaping them again.
class CellDelegate : public QStyledItemDelegate
{
public:
    explicit CellDelegate(PictureGrid *grid) : QStyledItemDelegate(grid), m_grid(grid), m_layouts(4000) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const CellLook look = m_grid->cellLook(index.column(), index.row());
        if (look.kind != CellLook::Empty)
            paintLook(painter, option, look);
        if (m_grid->hasFocus() && index == m_grid->currentIndex()) {
            painter->save();
            painter->setPen(QPen(kCurrentFrame, 2));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
            painter->restore();
        }
    }

private:
    void paintLook(QPainter *painter, const QStyleOptionViewItem &option, const CellLook &look) const
    {
        painter->save();
        painter->setClipRect(option.rect);
        painter->fillRect(option.rect, m_grid->palette().base());
        QFont font = m_grid->font();
        font.setBold(look.bold);
        painter->setFont(font);
        painter->setPen(kit::toneColour(look.tone));
        painter->drawStaticText(option.rect.topLeft(), layout(look, font, option.rect.width()));
        painter->restore();
    }

    const QStaticText &layout(const CellLook &look, const QFont &font, int width) const
    {
        const QString key = look.text + QChar(look.bold ? u'B' : u'N') + QString::number(width);
        if (QStaticText *known = m_layouts.object(key))
            return *known;
        const QFontMetrics metrics(font);
        auto *text = new QStaticText(metrics.elidedText(look.text, Qt::ElideRight, width));
        text->setTextFormat(Qt::PlainText);
        text->prepare(QTransform(), font);
        m_layouts.insert(key, text);
        return *text;
    }

    PictureGrid *m_grid;
    mutable QCache<QString, QStaticText> m_layouts;
};

} // namespace

PictureGrid::PictureGrid(const Catalogue &catalogue, const char *objectName, const QString &name, QWidget *parent)
    : QTableView(parent), m_catalogue(catalogue), m_model(new PictureGridModel(this))
{
    setObjectName(QLatin1String(objectName));
    // Each cell speaks its picture's text (the model's display text: file name and Chinese name).
    a11y::exposeRows(this, name, [this](const QModelIndex &index, QAccessible::State &state) {
        // The selection editor's ticks, which it shows only by colour and weight.
        const CellLook look = cellLook(index.column(), index.row());
        state.checkable = m_mode == Mode::Ticking && look.kind == CellLook::Picture;
        state.checked = state.checkable && look.ticked;
    });
    setModel(m_model);
    setItemDelegate(new CellDelegate(this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(20);
    horizontalHeader()->setDefaultSectionSize(200);
    setShowGrid(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::StrongFocus);
    setTabKeyNavigation(false); // Tab leaves the grid; the arrows move within it
    setMouseTracking(true);
    kit::setPixelFont(this, 12);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    setPalette(pal);
}

void PictureGrid::showRecords(int category, const RecordList &records, bool fromTop, qsizetype first)
{
    const int keep = verticalScrollBar()->value();
    const QModelIndex current = currentIndex();
    m_model->fill(category, records, first);
    fitColumns();
    if (fromTop) {
        scrollToTop();
    } else {
        verticalScrollBar()->setValue(keep);
        // The same records brought up to date: the keyboard's place stays where it was.
        if (current.isValid() && current.row() < m_model->rowCount())
            setCurrentIndex(m_model->index(current.row(), current.column()));
    }
    followPointer();
}

CellLook PictureGrid::cellLook(int column, int row) const
{
    const bool hovered = column == m_hoverColumn && row == m_hoverRow;
    if (m_look)
        return m_look(m_model->category(), m_model->cell(column, row), hovered);
    return gridCellLook(m_catalogue, m_model->category(), m_model->cell(column, row), hovered);
}

void PictureGrid::setMode(Mode mode)
{
    m_mode = mode;
    setMouseTracking(mode == Mode::Picking);
}

void PictureGrid::goToCell(int column, int row)
{
    const QModelIndex index = m_model->index(row, column);
    setCurrentIndex(index);
    scrollTo(index);
    setFocus();
    viewport()->update();
}

void PictureGrid::actOn(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const QByteArrayView record = m_model->cell(index.column(), index.row());
    if (m_mode == Mode::Picking) {
        if (!record.isEmpty())
            emit recordClicked(m_model->category(), record.toByteArray());
        return;
    }
    if (!record.isEmpty())
        emit recordPressed(m_model->category(), record.toByteArray());
    viewport()->update(visualRect(index));
}

void PictureGrid::keyPressEvent(QKeyEvent *event)
{
    if (!kit::isActivationKey(event)) {
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
    actOn(currentIndex());
}

void PictureGrid::mousePressEvent(QMouseEvent *event)
{
    QTableView::mousePressEvent(event);
    if (m_mode == Mode::Ticking && event->button() == Qt::LeftButton)
        actOn(indexAt(event->position().toPoint()));
}

QRect PictureGrid::cellRect(int column, int row) const { return visualRect(m_model->index(row, column)); }

void PictureGrid::scrollRowsDown(int rows)
{
    for (int i = 0; i < rows; ++i)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}

void PictureGrid::mouseMoveEvent(QMouseEvent *event)
{
    QTableView::mouseMoveEvent(event);
    if (m_mode != Mode::Picking)
        return;
    m_pointer = event->position().toPoint();
    setHover(indexAt(*m_pointer));
}

void PictureGrid::setHover(const QModelIndex &index)
{
    const int column = index.isValid() ? index.column() : -1;
    const int row = index.isValid() ? index.row() : -1;
    if (column == m_hoverColumn && row == m_hoverRow)
        return;
    m_hoverColumn = column;
    m_hoverRow = row;
    viewport()->update();
}

void PictureGrid::followPointer()
{
    // New records or a scroll put another picture under a pointer that has not moved (its last known
    // place: asking the window system would cost a round trip per scroll step).
    const bool over = m_mode == Mode::Picking && m_pointer.has_value() && viewport()->rect().contains(*m_pointer);
    setHover(over ? indexAt(*m_pointer) : QModelIndex());
}

void PictureGrid::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    followPointer();
}

bool PictureGrid::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Leave) {
        m_pointer.reset();
        setHover(QModelIndex());
    }
    return QTableView::viewportEvent(event);
}

void PictureGrid::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    if (m_mode == Mode::Picking && event->button() == Qt::LeftButton)
        actOn(indexAt(event->position().toPoint()));
}

void PictureGrid::wheelEvent(QWheelEvent *event)
{
    const int dy = event->angleDelta().y();
    if (dy >= 0) {
        QTableView::wheelEvent(event);
        return;
    }
    // One row for each notch down, however finely the device reports it.
    m_wheelRest -= dy;
    scrollRowsDown(m_wheelRest / 120);
    m_wheelRest %= 120;
    event->accept();
}

void PictureGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    fitColumns();
}

void PictureGrid::fitColumns()
{
    const int width = (this->width() - 20) / 4;
    for (int c = 0; c < m_model->columnCount(); ++c)
        setColumnWidth(c, width);
}

} // namespace kestrin
