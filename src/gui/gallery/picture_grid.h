#pragma once
#include "core/gallery/picture_rules.h"

#include <QTableView>
#include <functional>
#include <optional>

namespace kestrin {

struct Catalogue;
class PictureGridModel;
class RecordList;

// Four pictures to a row, each in the colour of its state, the one under the pointer red. A left click
// on a picture reports its record; each wheel notch down scrolls one row. As the selection editor it
// shows its own colours, follows no pointer and reports a left press instead. From the keyboard the
// arrows move a framed current cell and Return or Space acts on it as the mouse button does.
class PictureGrid : public QTableView
{
    Q_OBJECT
public:
    using LookRule = std::function<CellLook(int category, QByteArrayView record, bool hovered)>;
    enum class Mode { Picking, Ticking };

    // name: what a screen reader calls the grid.
    PictureGrid(const Catalogue &catalogue, const char *objectName, const QString &name, QWidget *parent = nullptr);
    void setLookRule(LookRule rule) { m_look = std::move(rule); }
    void setMode(Mode mode);
    // Makes the cell current, scrolled into view, and gives the grid the keyboard focus.
    void goToCell(int column, int row);

    PictureGridModel *gridModel() const { return m_model; }
    // Shows records of category, from the top row when asked (a new page or category), else where the
    // view stands (the same records brought up to date).
    void showRecords(int category, const RecordList &records, bool fromTop, qsizetype first);
    CellLook cellLook(int column, int row) const;
    QRect cellRect(int column, int row) const;
    int hoverColumn() const { return m_hoverColumn; }
    int hoverRow() const { return m_hoverRow; }
    void scrollRowsDown(int rows);

signals:
    // A left click released over a cell that holds a record of category (picking).
    void recordClicked(int category, const QByteArray &record);
    // A left button pressed over a cell that holds a record (ticking).
    void recordPressed(int category, const QByteArray &record);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent *event) override;

private:
    void fitColumns();
    // What a left click (picking) or press (ticking) does on the cell at index.
    void actOn(const QModelIndex &index);
    void setHover(const QModelIndex &index);
    void followPointer();

    const Catalogue &m_catalogue;
    PictureGridModel *m_model;
    LookRule m_look;
    Mode m_mode = Mode::Picking;
    int m_hoverColumn = -1;
    int m_hoverRow = -1;
    std::optional<QPoint> m_pointer; // over the viewport, where the last move left it
    int m_wheelRest = 0;
};

} // namespace kestrin
