#pragma once
#include "catalogue/latest_rows.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTabBar;
class QToolButton;
class QTreeView;

namespace kestrin {

class DownloadQueueModel;
class PictureList;
class ServerBar;
class ServerChoice;
class UserOptions;

// "软件模式": the categories as tabs over the file list; the refresh button, the download options and
// the server group; the search row over the queue and the search results; the save folder's files.
class FilePage : public QWidget
{
    Q_OBJECT
public:
    FilePage(ServerChoice &choice, UserOptions &options, DownloadQueueModel &queue, QWidget *parent = nullptr);

    QTabBar *categoryTabs() const { return m_tabs; }
    // Hidden twins of the gallery's category buttons (the zone's last); the tabs are the way in.
    const QList<QToolButton *> &hiddenCategoryButtons() const { return m_twins; }
    PictureList *fileList() const { return m_fileList; }
    QPushButton *refreshButton() const { return m_refresh; }
    QCheckBox *autoOpenBox() const { return m_autoOpen; }
    QCheckBox *autoQueueBox() const { return m_autoQueue; }
    ServerBar *serverBar() const { return m_serverBar; }
    QLineEdit *searchEdit() const { return m_searchEdit; }
    QToolButton *searchButton() const { return m_searchButton; }
    QTreeView *queueList() const { return m_queue; }
    PictureList *searchResults() const { return m_results; }
    QToolButton *chooseFolderButton() const { return m_chooseFolder; }
    QWidget *folderView() const { return m_folderView; }

    void setCategories(const QStringList &captions);
    // Selects the category's tab without running the tab's own change handling.
    void setCurrentCategory(int category);
    void setFileRows(QList<LatestRow> rows);
    void setZoneBold(bool bold);

signals:
    void refreshRequested();
    void saveFolderChooseRequested();

private:
    QWidget *buildCategoryColumn();
    QWidget *buildOptionsColumn(ServerChoice &choice);
    QWidget *buildQueueColumn(DownloadQueueModel &queue);
    QWidget *buildFolderColumn();

    UserOptions &m_options;
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
    QTreeView *m_queue = nullptr;
    PictureList *m_results = nullptr;
    QToolButton *m_chooseFolder = nullptr;
    QWidget *m_folderView = nullptr;
};

} // namespace kestrin
