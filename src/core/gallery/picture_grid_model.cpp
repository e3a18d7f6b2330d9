#include "core/gallery/picture_grid_model.h"

#include "core/catalogue/gbk.h"
#include "core/catalogue/records.h"
#include "core/gallery/picture_rules.h"

namespace kestrin {

PictureGridModel::PictureGridModel(QObject *parent) : QAbstractTableModel(parent) {}

void PictureGridModel::fill(int category, const RecordList &records, qsizetype first)
{
    beginResetModel();
    m_category = category;
    m_first = first;
    m_live = nullptr;
    m_records = records;
    m_byId.clear();
    m_byIdMade = false;
    const qsizetype n = records.size();
    const qsizetype rows = n / kColumns + (n % kColumns != 0 ? 1 : 0);
    m_rows = int(rows < 1 ? 1 : rows);
    endResetModel();
}

QByteArrayView PictureGridModel::cell(int column, int row) const
{
    if (column < 0 || column >= kColumns || row < 0 || row >= m_rows)
        return {};
    const qsizetype k = qsizetype(row) * kColumns + column;
    return records().contains(k) ? records().at(k) : QByteArrayView();
}

void PictureGridModel::followRecords(int category, const RecordList &live)
{
    if (category != m_category || m_first != 0 || m_live || live.size() != m_records.size())
        return;
    m_live = &live;
    m_records = RecordList();
}

void PictureGridModel::adoptRecords()
{
    if (!m_live)
        return;
    m_records = *m_live;
    m_live = nullptr;
}

void PictureGridModel::setCell(int column, int row, const QByteArray &text)
{
    if (column < 0 || column >= kColumns || row < 0 || row >= m_rows)
        return;
    const qsizetype k = qsizetype(row) * kColumns + column;
    if (m_byIdMade && PictureRecord::parse(text).idNumber() != PictureRecord::parse(cell(column, row)).idNumber()) {
        m_byId.clear();
        m_byIdMade = false;
    }
    if (!m_live) // a followed list has the text already
        m_records.set(k, text);
    const QModelIndex idx = index(row, column);
    emit dataChanged(idx, idx);
}

qsizetype PictureGridModel::positionOf(int category, qsizetype index) const
{
    if (category != m_category || index < 0)
        return -1;
    if (m_first != kFindById) {
        const qsizetype k = index - m_first;
        return records().contains(k) ? k : -1;
    }
    if (!m_byIdMade) {
        m_byId.reserve(records().size());
        for (qsizetype k = records().size() - 1; k >= 0; --k) // the first place of an id wins
            m_byId.insert(PictureRecord::parse(records().at(k)).idNumber(), k);
        m_byIdMade = true;
    }
    return m_byId.value(index, -1);
}

void PictureGridModel::updateRecord(int category, qsizetype index, const QByteArray &text)
{
    const qsizetype k = positionOf(category, index);
    if (k >= 0)
        setCell(int(k % kColumns), int(k / kColumns), text);
}

int PictureGridModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rows; }

int PictureGridModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant PictureGridModel::data(const QModelIndex &index, int role) const
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
        return rec.caption ? gbk::decodeForDisplay(rec.rest) : pictureText(rec);
    }
    return {};
}

} // namespace kestrin
