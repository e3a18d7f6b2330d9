#include "catalogue/latest_list_model.h"

#include "catalogue/gbk.h"

namespace kestrin {

LatestListModel::LatestListModel(ToneRule tone, QObject *parent) : QAbstractTableModel(parent), m_tone(tone) {}

void LatestListModel::setRows(QList<LatestRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void LatestListModel::markRow(int i)
{
    if (i < 0 || i >= m_rows.size())
        return;
    m_rows[i].mark = markText();
    emit dataChanged(index(i, 0), index(i, ColumnCount - 1));
}

int LatestListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }

int LatestListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QByteArray LatestListModel::raw(const LatestRow &row, int column) const
{
    switch (column) {
    case CaptionColumn: return row.caption();
    case TimeColumn: return row.time;
    case MarkColumn: return row.mark;
    default: return row.tag;
    }
}

QVariant LatestListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const LatestRow &row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return gbk::decodeForDisplay(raw(row, index.column()));
    case RawRole:
        return raw(row, index.column());
    case ToneRole:
        return int(m_tone(row));
    default:
        return {};
    }
}

QVariant LatestListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_headers.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace kestrin
