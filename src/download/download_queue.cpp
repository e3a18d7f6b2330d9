#include "download/download_queue.h"

#include "catalogue/gbk.h"
#include "catalogue/records.h"

namespace kestrin {

QByteArray QueueEntry::caption() const { return displayName(fileName, chineseName); }

void DownloadQueueModel::append(const QueueEntry &entry)
{
    const int row = int(m_entries.size());
    beginInsertRows({}, row, row);
    m_entries.append(entry);
    endInsertRows();
}

int DownloadQueueModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_entries.size()); }

QVariant DownloadQueueModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return gbk::decodeForDisplay(m_entries[index.row()].caption());
    return {};
}

QVariant DownloadQueueModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QStringLiteral("待下载文件列表");
    return QAbstractListModel::headerData(section, orientation, role);
}

} // namespace kestrin
