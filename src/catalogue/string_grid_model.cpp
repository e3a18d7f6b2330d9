#include "catalogue/string_grid_model.h"

#include "catalogue/gbk.h"
#include "catalogue/records.h"

namespace kestrin {

StringGridModel::StringGridModel(QObject *parent) : QAbstractTableModel(parent) {}

void StringGridModel::fill(const RecordList &records)
{
    beginResetModel();
    m_records = records;
    const qsizetype n = records.size();
    const qsizetype rows = n / kColumns + (n % kColumns != 0 ? 1 : 0);
    m_rows = int(rows < 1 ? 1 : rows);
    endResetModel();
}

QByteArrayView StringGridModel::cell(int column, int row) const
{
    if (column < 0 || column >= kColumns || row < 0 || row >= m_rows)
        return {};
    const qsizetype k = qsizetype(row) * kColumns + column;
    return m_records.contains(k) ? m_records.at(k) : QByteArrayView();
}

void StringGridModel::setCell(int column, int row, const QByteArray &text)
{
    if (column < 0 || column >= kColumns || row < 0 || row >= m_rows)
        return;
    m_records.set(qsizetype(row) * kColumns + column, text);
    const QModelIndex idx = index(row, column);
    emit dataChanged(idx, idx);
}

int StringGridModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rows; }

int StringGridModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant StringGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const QByteArrayView text = cell(index.column(), index.row());
    if (role == RecordRole)
        return text.toByteArray();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        const PictureRecord rec = PictureRecord::parse(text);
        if (text.isEmpty())
            return QString();
        return rec.caption ? gbk::decode(rec.rest) : gbk::decode(displayName(rec.fileName, rec.chineseName));
    }
    return {};
}

} // namespace kestrin
