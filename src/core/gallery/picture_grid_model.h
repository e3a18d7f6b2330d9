#pragma once
#include "core/catalogue/record_list.h"

#include <QAbstractTableModel>
#include <QHash>

namespace kestrin {

// A picture grid's content: four records to a row, record k in column k mod 4, row k div 4, never
// fewer than one row. Holds the records it was filled with (sharing their storage, no copy per cell)
// and the category they belong to, so a cell always answers for its own category.
class PictureGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kColumns = 4;
    static constexpr int RecordRole = Qt::UserRole + 1; // the cell's raw GBK text as QByteArray

    static constexpr qsizetype kFindById = -1;

    explicit PictureGridModel(QObject *parent = nullptr);

    // first: where the records start in their category's list (0 for the whole category, the page's
    // first index for a page), or kFindById when they were picked one by one (a selection, results).
    void fill(int category, const RecordList &records, qsizetype first = kFindById);
    int category() const { return m_category; }
    QByteArrayView cell(int column, int row) const;
    void setCell(int column, int row, const QByteArray &text);
    // Position of record index of the shown category, or -1 when it is not shown.
    qsizetype positionOf(int category, qsizetype index) const;
    // Rewrites the cell that shows record index of category, if one does; nothing else.
    void updateRecord(int category, qsizetype index, const QByteArray &text);
    qsizetype recordCount() const { return records().size(); }
    // While a merge rewrites the category this grid shows whole, the grid reads the category's own
    // list instead of sharing it: a shared list of millions of records would be copied at the first
    // rewrite. live must stay as it is, apart from the rewrites, until adoptRecords.
    void followRecords(int category, const RecordList &live);
    // Shares the followed list again; the cells already show its texts.
    void adoptRecords();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    const RecordList &records() const { return m_live ? *m_live : m_records; }

    RecordList m_records;
    const RecordList *m_live = nullptr;
    int m_category = -1;
    qsizetype m_first = kFindById;
    int m_rows = 1;
    // kFindById: where each record id stands first, made on the first look (a merge looks once per
    // entry; a scan each time would cost cells times entries).
    mutable QHash<qsizetype, qsizetype> m_byId;
    mutable bool m_byIdMade = false;
};

} // namespace kestrin
