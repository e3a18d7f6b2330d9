#include "core/catalogue/latest_list_model.h"

#include "core/catalogue/records.h"

#include "core/catalogue/gbk.h"

#include <algorithm>

namespace kestrin {

LatestListModel::LatestListModel(ToneRule tone, QObject *parent) : QAbstractTableModel(parent), m_tone(tone) {}

void LatestListModel::setRows(QList<LatestRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    sortRows();
    endResetModel();
}

void LatestListModel::setOrder(Order order)
{
    m_order = std::move(order);
    if (!m_order)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<LatestRow> old = m_rows;
    sortRows();
    // Selections follow their rows to the rows' new places.
    QModelIndexList after;
    for (const QModelIndex &i : before) {
        const LatestRow &row = old.at(i.row());
        int to = -1;
        for (int k = 0; k < m_rows.size() && to < 0; ++k)
            if (m_rows[k].tag == row.tag && m_rows[k].fileName == row.fileName)
                to = k;
        after << (to < 0 ? QModelIndex() : index(to, i.column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void LatestListModel::sortRows()
{
    if (m_order)
        std::stable_sort(m_rows.begin(), m_rows.end(), m_order);
}

bool LatestListModel::batching()
{
    if (m_batchDepth == 0)
        return false;
    if (!m_batchReset) {
        m_batchReset = true;
        beginResetModel();
    }
    return true;
}

void LatestListModel::endBatch()
{
    if (--m_batchDepth > 0 || !m_batchReset)
        return;
    m_batchReset = false;
    endResetModel();
}

void LatestListModel::markRow(int i)
{
    if (i < 0 || i >= m_rows.size())
        return;
    const bool batch = batching();
    m_rows[i].mark = markText();
    if (!batch)
        emit dataChanged(index(i, 0), index(i, ColumnCount - 1));
}

void LatestListModel::markRecord(qsizetype id)
{
    for (int i = 0; i < m_rows.size(); ++i) {
        bool ok = false;
        const int value = parseSignedInt(m_rows[i].tag, &ok);
        if (ok && (value < 0 ? -qsizetype(value) : qsizetype(value)) == id && !m_rows[i].isMarked())
            markRow(i);
    }
}

bool LatestListModel::removeFirstWithTag(QByteArrayView tag)
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].tag != tag)
            continue;
        const bool batch = batching();
        if (!batch)
            beginRemoveRows({}, i, i);
        m_rows.removeAt(i);
        if (!batch)
            endRemoveRows();
        return true;
    }
    return false;
}

void LatestListModel::insertTop(const LatestRow &row)
{
    // In a sorted list the row takes its place: before the first row it goes before.
    int at = 0;
    if (m_order) {
        const auto it = std::find_if(m_rows.cbegin(), m_rows.cend(), [&](const LatestRow &r) { return !m_order(r, row); });
        at = int(it - m_rows.cbegin());
    }
    const bool batch = batching();
    if (!batch)
        beginInsertRows({}, at, at);
    m_rows.insert(at, row);
    if (!batch)
        endInsertRows();
}

void LatestListModel::trimTo(int count)
{
    if (m_rows.size() <= count)
        return;
    const bool batch = batching();
    if (!batch)
        beginRemoveRows({}, count, int(m_rows.size()) - 1);
    m_rows.resize(count);
    if (!batch)
        endRemoveRows();
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
