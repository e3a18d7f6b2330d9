// What the file page's lists do: a click queues a picture, the queue's failed entries are tried again
// or removed, the folder's files are opened and deleted; with the mouse or from the keyboard.
#include "gui/download/file_page.h"

#include "core/app/library_session.h"
#include "core/catalogue/catalogue.h"
#include "core/download/download_queue.h"
#include "core/download/file_list.h"
#include "platform/platform.h"
#include "platform/prompts.h"
#include "platform/shell.h"
#include "gui/ui/picture_list.h"
#include "gui/ui/widget_kit.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QMenu>
#include <QTableView>
#include <QTreeView>

namespace kestrin {

void FilePage::onTab(int tab)
{
    if (tab >= 0 && tab < m_catalogue.count() && tab != m_catalogue.current)
        emit categorySwitchRequested(tab);
}

bool FilePage::queuePicture(const LatestRow &row, bool taken)
{
    if (taken && m_platform.prompts.ask(QStringLiteral("当前图纸已经加入下载队列或已经下载成功,是否仍然继续下载?")) ==
                     Prompts::Answer::No)
        return false;
    m_session.queuePicture(row);
    return true;
}

void FilePage::queueFromFileList(int row)
{
    const LatestRow picked = m_fileList->listModel()->row(row);
    // A row without a time is no picture to fetch; the row's own mark says whether it was taken.
    if (!picked.time.isEmpty() && queuePicture(picked, picked.isMarked()))
        m_fileList->listModel()->markRow(row);
}

void FilePage::queueFromSearch(int row)
{
    const LatestRow picked = m_results->listModel()->row(row);
    // Here the category's marks say whether it was taken.
    if (queuePicture(picked, takenTone(m_catalogue, m_catalogue.current, picked) == PictureTone::Red))
        m_results->listModel()->removeFirstWithTag(picked.tag);
}

void FilePage::showQueueMenu(const QModelIndex &index, const QPoint &pos)
{
    QMenu menu(this);
    const bool failed = index.isValid() && QueueEntry::State(index.data(DownloadQueueModel::StateRole).toInt()) ==
                                               QueueEntry::State::Failed;
    QAction *retry = menu.addAction(QStringLiteral("重新下载"));
    retry->setEnabled(failed);
    QAction *remove = menu.addAction(QStringLiteral("从队列中删除"));
    remove->setEnabled(index.isValid());
    menu.addSeparator();
    QAction *retryAll = menu.addAction(QStringLiteral("重新下载全部失败项"));
    QAction *removeAll = menu.addAction(QStringLiteral("删除全部失败项"));
    QAction *chosen = menu.exec(m_queue->viewport()->mapToGlobal(pos));
    const auto failedRows = [this] {
        QList<int> rows;
        const QList<QueueEntry> &entries = m_downloads.model().entries();
        for (int i = int(entries.size()) - 1; i >= 0; --i)
            if (entries[i].state == QueueEntry::State::Failed)
                rows << i;
        return rows;
    };
    if (chosen == retry)
        m_downloads.retry(index.row());
    else if (chosen == remove)
        m_downloads.remove(index.row());
    else if (chosen == retryAll)
        for (int r : failedRows())
            m_downloads.retry(r);
    else if (chosen == removeAll)
        for (int r : failedRows())
            m_downloads.remove(r);
}

void FilePage::rebuildFileList()
{
    const Category &c = m_catalogue.categories[size_t(m_catalogue.current)];
    QList<QByteArray> keys = m_catalogue.latest(m_catalogue.current);
    const bool zone = m_session.zone().active();
    if (zone)
        keys = m_showOnlyExisting->isChecked() ? filterPresentKeys(c.selection, keys) : c.selection;
    m_fileList->listModel()->setRows(rebuildFileRows(m_catalogue, keys, zone));
}

void FilePage::openFolderFile(const QModelIndex &index)
{
    if (index.isValid())
        m_platform.shell.open(m_folderModel->filePath(index));
}

void FilePage::deleteFolderFile()
{
    const QModelIndex index = m_folderView->currentIndex();
    if (!index.isValid() || !m_folderView->selectionModel()->isSelected(index))
        return;
    if (!m_platform.prompts.confirm(QStringLiteral("确实要删除此文件吗？")))
        return;
    // Deleted for good, not moved to a bin; the view drops it when the folder changes.
    QFile::remove(m_folderModel->filePath(index));
}

// The queue from the keyboard: Return or Space tries a failed entry again as a double click does,
// Delete removes the current entry, and the menu key or Shift+F10 opens the menu at the current row.
bool FilePage::queueKey(QEvent *event)
{
    const QModelIndex current = m_queue->currentIndex();
    const auto showMenu = [this, current] {
        QPoint at(0, 0);
        if (current.isValid()) {
            m_queue->scrollTo(current);
            at = m_queue->visualRect(current).bottomLeft();
        }
        showQueueMenu(current, at);
    };
    if (event->type() == QEvent::ContextMenu) {
        if (static_cast<QContextMenuEvent *>(event)->reason() != QContextMenuEvent::Keyboard)
            return false;
        showMenu();
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
        showMenu();
        return true;
    }
    if (!current.isValid())
        return false;
    if (key->key() == Qt::Key_Delete) {
        m_downloads.remove(current.row());
        return true;
    }
    if (kit::isActivationKey(key)) {
        m_queue->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_downloads.retry(current.row());
        return true;
    }
    return false;
}

// The folder from the keyboard: Return or Space opens the current file as a double click does, Delete
// deletes the selected one after asking. (An open rename editor gets its keys itself.)
bool FilePage::folderKey(QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Delete) {
        deleteFolderFile();
        return true;
    }
    const QModelIndex current = m_folderView->currentIndex();
    if (!current.isValid() || !kit::isActivationKey(key))
        return false;
    m_folderView->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    openFolderFile(current);
    return true;
}

bool FilePage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_queue && queueKey(event))
        return true;
    if (watched == m_folderView && folderKey(event))
        return true;
    return QWidget::eventFilter(watched, event);
}

} // namespace kestrin
