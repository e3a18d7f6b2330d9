#pragma once
#include <QAbstractListModel>
#include <QByteArray>

namespace kestrin {

// One picture waiting to be downloaded. It keeps where the picture lives as it was when it was queued,
// so a later change of category cannot send it to another folder.
struct QueueEntry
{
    QByteArray fileName;
    QByteArray chineseName;
    int category = -1;
    QByteArray folder;    // the category's folder on the server
    QByteArray extension; // the category's extension

    // File name, two blanks, Chinese name: what the queue list shows.
    QByteArray caption() const;
};

// The list "待下载文件列表": entries in the order they were queued, the head first.
class DownloadQueueModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    void append(const QueueEntry &entry);
    const QList<QueueEntry> &entries() const { return m_entries; }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<QueueEntry> m_entries;
};

} // namespace kestrin
