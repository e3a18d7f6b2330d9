#pragma once
#include "core/catalogue/latest_rows.h"

#include <QAbstractTableModel>
#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>

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
    ~LatestListModel() override;

    void setHeaders(const QStringList &headers) { m_headers = headers; }
    // Keeps the rows in this order from now on: sorted at once, and every row put in takes its place.
    // The order must be a strict weak order, as for std::sort.
    void setOrder(Order order);
    void setRows(QList<LatestRow> rows);
    const QList<LatestRow> &rows() const;
    const LatestRow &row(int i) const { return rows().at(i); }
    // Sets the row's "√"; the whole row repaints in its new colour.
    void markRow(int i);
    // Marks every row that stands for record id (taken somewhere else).
    void markRecord(qsizetype id) { markRecords({id}); }
    // The same for several records, in one pass over the rows.
    void markRecords(const QSet<qsizetype> &ids);
    // Changes made between begin and end reach the views as one reset: a merge of hundreds of entries
    // costs the views one refill, not hundreds of row insertions and removals. Inside a batch, rows
    // taken out and put in are only noted and the list is rebuilt once, at the end (or when read):
    // a merge of 200,000 entries into 2,000,000 rows costs a few passes over the rows, not one each.
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
    // Inside a batch, before rows are put in: the tags rows are about to be taken out by. A long list
    // then finds them all in one pass over its rows rather than indexing every row; other tags are
    // still found.
    void expectRemovals(const QList<QByteArray> &tags);
    // Puts row at the top, or with an order before the first row it does not go after.
    void insertTop(const LatestRow &row);
    // Drops rows from the end until at most count remain. Inside a batch only a list without an
    // order (the latest list) notes the trim; a list with one is rebuilt first.
    void trimTo(int count);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Pending;

    QByteArray raw(const LatestRow &row, int column) const;
    // Inside a batch: announces the reset before the first change.
    bool batching();
    void endBatch();

    void sortRows();
    // The batch's noted changes, made on first use.
    Pending &pending();
    // Rebuilds the rows from the noted changes, if any. Const: reading the rows in a batch settles them.
    void settle() const;

    ToneRule m_tone;
    Order m_order;
    QStringList m_headers;
    mutable QList<LatestRow> m_rows;
    mutable std::unique_ptr<Pending> m_pending;
    // With an order: the rows stand in it. Only markRow can break that (a list sorted by its mark).
    bool m_sorted = true;
    int m_batchDepth = 0;
    bool m_batchReset = false;
};

} // namespace kestrin
