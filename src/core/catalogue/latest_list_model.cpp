#include "core/catalogue/latest_list_model.h"

#include "core/catalogue/gbk.h"
#include "core/catalogue/latest_list_pending.h"
#include "core/catalogue/records.h"

#include <algorithm>

namespace kestrin {

LatestListModel::LatestListModel(ToneRule tone, QObject *parent) : QAbstractTableModel(parent), m_tone(tone) {}

LatestListModel::~LatestListModel() = default;

const QList<LatestRow> &LatestListModel::rows() const
{
    settle();
    return m_rows;
}

LatestListModel::Pending &LatestListModel::pending()
{
    if (!m_pending) {
        const auto mode = !m_order ? Pending::Mode::Top : m_sorted ? Pending::Mode::Merge : Pending::Mode::Gaps;
        m_pending = std::make_unique<Pending>(*this, mode);
    }
    return *m_pending;
}

void LatestListModel::settle() const
{
    if (!m_pending)
        return;
    const std::unique_ptr<Pending> noted = std::move(m_pending);
    noted->settle();
}

void LatestListModel::setRows(QList<LatestRow> rows)
{
    m_pending.reset();
    beginResetModel();
    m_rows = std::move(rows);
    sortRows();
    m_sorted = true;
    endResetModel();
}

void LatestListModel::setOrder(Order order)
{
    settle();
    m_order = std::move(order);
    m_sorted = true;
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
    if (--m_batchDepth > 0)
        return;
    settle();
    if (!m_batchReset)
        return;
    m_batchReset = false;
    endResetModel();
}

void LatestListModel::markRow(int i)
{
    settle();
    if (i < 0 || i >= m_rows.size())
        return;
    const bool batch = batching();
    m_rows[i].mark = markText();
    // Under an order by mark the row may now stand out of it; rows put in later are placed knowing that.
    if (m_order && m_sorted &&
        ((i > 0 && m_order(m_rows.at(i), m_rows.at(i - 1))) ||
         (i + 1 < m_rows.size() && m_order(m_rows.at(i + 1), m_rows.at(i)))))
        m_sorted = false;
    if (!batch)
        emit dataChanged(index(i, 0), index(i, ColumnCount - 1));
}

void LatestListModel::markRecords(const QSet<qsizetype> &ids)
{
    settle();
    for (int i = 0; i < m_rows.size() && !ids.isEmpty(); ++i) {
        bool ok = false;
        const int value = parseSignedInt(m_rows[i].tag, &ok);
        if (ok && ids.contains(value < 0 ? -qsizetype(value) : qsizetype(value)) && !m_rows[i].isMarked())
            markRow(i);
    }
}

bool LatestListModel::removeFirstWithTag(QByteArrayView tag)
{
    if (m_batchDepth > 0) {
        const bool removed = pending().remove(tag);
        if (removed)
            batching();
        return removed;
    }
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

void LatestListModel::expectRemovals(const QList<QByteArray> &tags)
{
    if (m_batchDepth > 0)
        pending().expect(tags);
}

void LatestListModel::insertTop(const LatestRow &row)
{
    if (m_batchDepth > 0) {
        batching();
        pending().insert(row);
        return;
    }
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
    if (m_batchDepth > 0 && !m_order) {
        Pending &noted = pending();
        if (noted.live() <= count)
            return;
        batching();
        noted.trim(count);
        return;
    }
    settle();
    if (m_rows.size() <= count)
        return;
    const bool batch = batching();
    if (!batch)
        beginRemoveRows({}, count, int(m_rows.size()) - 1);
    m_rows.resize(count);
    if (!batch)
        endRemoveRows();
}

int LatestListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(rows().size()); }

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
    settle();
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
