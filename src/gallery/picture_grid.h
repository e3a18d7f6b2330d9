#pragma once
#include "gallery/picture_rules.h"

#include <QTableView>

namespace kestrin {

struct Catalogue;
class PictureGridModel;
class RecordList;

// Four pictures to a row, each in the colour of its state, the one under the pointer red. A left click
// on a picture reports its record; each wheel notch down scrolls one row.
class PictureGrid : public QTableView
{
    Q_OBJECT
public:
    PictureGrid(const Catalogue &catalogue, const char *name, QWidget *parent = nullptr);

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
    // A left click released over a cell that holds a record of category.
    void recordClicked(int category, const QByteArray &record);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitColumns();

    const Catalogue &m_catalogue;
    PictureGridModel *m_model;
    int m_hoverColumn = -1;
    int m_hoverRow = -1;
    int m_wheelRest = 0;
};

} // namespace kestrin
