#pragma once
#include "core/catalogue/latest_rows.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>

namespace kestrin {

// The rows of the latest-upload list or the file list: caption, time, mark and tag columns over
// LatestRow, decoded only when shown.
class LatestListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { CaptionColumn, TimeColumn, MarkColumn, TagColumn, ColumnCount };
    enum Role {
        RawRole = Qt::UserRole + 1, // the cell's GBK bytes
        ToneRole,                   // the row's PictureTone, as int
    };
    using ToneRule = std::function<PictureTone(const LatestRow &)>;
    // Whether row a goes before row b; none: the order rows were put in.
    using Order = std::function<bool(const LatestRow &a, const LatestRow &b)>;

    explicit LatestListModel(ToneRule tone, QObject *parent = nullptr);

    void setHeaders(const QStringList &headers) { m_headers = headers; }
    // Keeps the rows in this order from now on: sorted at once, and every row put in takes its place.
    void setOrder(Order order);
    void setRows(QList<LatestRow> rows);
    const QList<LatestRow> &rows() const { return m_rows; }
    const LatestRow &row(int i) const { return m_rows.at(i); }
    // Sets the row's "√"; the whole row repaints in its new colour.
    void markRow(int i);
    // Marks every row that stands for record id (taken somewhere else).
    void markRecord(qsizetype id);
    // Changes made between begin and end reach the views as one reset: a merge of hundreds of entries
    // costs the views one refill, not hundreds of row insertions and removals.
    class Batch
    {
    public:
        explicit Batch(LatestListModel &model) : m_model(model) { ++m_model.m_batchDepth; }
        ~Batch() { m_model.endBatch(); }
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        LatestListModel &m_model;
    };

    // Removes the first row whose tag is tag; false when there is none.
    bool removeFirstWithTag(QByteArrayView tag);
    void insertTop(const LatestRow &row);
    // Drops rows from the end until at most count remain.
    void trimTo(int count);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QByteArray raw(const LatestRow &row, int column) const;
    // Inside a batch: announces the reset before the first change.
    bool batching();
    void endBatch();

    void sortRows();

    ToneRule m_tone;
    Order m_order;
    QStringList m_headers;
    QList<LatestRow> m_rows;
    int m_batchDepth = 0;
    bool m_batchReset = false;
};

} // namespace kestrin
