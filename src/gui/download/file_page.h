#pragma once
#include "core/catalogue/latest_rows.h"

#include <QWidget>

class QCheckBox;
class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QTableView;
class QToolButton;
class QTreeView;

namespace kestrin {

struct Catalogue;
struct Platform;
class DownloadQueue;
class LibrarySession;
class PictureList;
class ServerBar;
class ServerChoice;
class UserOptions;

// "软件模式": the categories as tabs over the file list, where a click queues a picture; the refresh
// button, the download options and the server group; the search row over the queue and the search
// results; the save folder's files, opened by a double click and deleted with the Delete key.
class FilePage : public QWidget
{
    Q_OBJECT
public:
    FilePage(Platform &platform, LibrarySession &session, QWidget *parent = nullptr);

    QTabBar *categoryTabs() const { return m_tabs; }
    // Hidden twins of the gallery's category buttons (the zone's last); the tabs are the way in.
    const QList<QToolButton *> &hiddenCategoryButtons() const { return m_twins; }
    PictureList *fileList() const { return m_fileList; }
    QPushButton *refreshButton() const { return m_refresh; }
    QCheckBox *autoOpenBox() const { return m_autoOpen; }
    QCheckBox *autoQueueBox() const { return m_autoQueue; }
    QCheckBox *showOnlyExistingBox() const { return m_showOnlyExisting; }
    ServerBar *serverBar() const { return m_serverBar; }
    QLineEdit *searchEdit() const { return m_searchEdit; }
    QToolButton *searchButton() const { return m_searchButton; }
    QTableView *queueList() const { return m_queue; }
    PictureList *searchResults() const { return m_results; }
    QToolButton *chooseFolderButton() const { return m_chooseFolder; }
    QTreeView *folderView() const { return m_folderView; }
    QFileSystemModel *folderModel() const { return m_folderModel; }

    void setCategories(const QStringList &captions);
    // Selects the category's tab without running the tab's own change handling.
    void setCurrentCategory(int category);
    void setZoneBold(bool bold);
    // The file list sorted by this column, descending (0 file name, 1 time).
    void sortFileList(int column);
    // Search results of the current category, the first row current.
    void setSearchResults(QList<LatestRow> rows);
    // The page's controls column by column, each from the top.
    QList<QWidget *> tabChain() const;

signals:
    void categorySwitchRequested(int category);
    void zoneToggleRequested();
    void refreshRequested();
    void saveFolderChooseRequested();
    void searchRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildCategoryColumn();
    QWidget *buildOptionsColumn(ServerChoice &choice);
    QWidget *buildQueueColumn();
    QWidget *buildFolderColumn();
    void onTab(int tab);
    void queueFromFileList(int row);
    void queueFromSearch(int row);
    // Queues the picture of the current category, asking first when it was taken already; false when
    // the user declined a second download.
    bool queuePicture(const LatestRow &row, bool taken);
    // The queue's menu for the entry at index (none: the whole-queue commands only), at pos in the
    // list's viewport.
    void showQueueMenu(const QModelIndex &index, const QPoint &pos);
    bool queueKey(QEvent *event);
    bool folderKey(QEvent *event);
    void rebuildFileList();
    void openFolderFile(const QModelIndex &index);
    void deleteFolderFile();

    Platform &m_platform;
    LibrarySession &m_session;
    const Catalogue &m_catalogue;
    UserOptions &m_options;
    DownloadQueue &m_downloads;
    int m_sortColumn = 1;
    QTabBar *m_tabs = nullptr;
    QWidget *m_tabBand = nullptr;
    QList<QToolButton *> m_twins;
    PictureList *m_fileList = nullptr;
    QPushButton *m_refresh = nullptr;
    QCheckBox *m_autoOpen = nullptr;
    QCheckBox *m_autoQueue = nullptr;
    QCheckBox *m_showOnlyExisting = nullptr;
    QCheckBox *m_autoDownload = nullptr;
    ServerBar *m_serverBar = nullptr;
    QLineEdit *m_searchEdit = nullptr;
    QToolButton *m_searchButton = nullptr;
    QTableView *m_queue = nullptr;
    PictureList *m_results = nullptr;
    QToolButton *m_chooseFolder = nullptr;
    QTreeView *m_folderView = nullptr;
    QFileSystemModel *m_folderModel = nullptr;
};

} // namespace kestrin
