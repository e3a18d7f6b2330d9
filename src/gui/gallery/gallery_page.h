#pragma once
#include "core/catalogue/latest_rows.h"
#include "core/download/download_names.h"
#include "core/gallery/navigation.h"

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace kestrin {

struct Catalogue;
struct Platform;
class CategoryBar;
class LibrarySession;
class PageBar;
class PictureGrid;
class PictureList;
class RecordList;
class ServerBar;
class UserOptions;

// "图库模式": the server header, the category bar with the search and save-folder rows, the latest
// uploads on the left and, on the right, the page bar over the picture grid. A click on a picture in
// the grid or the latest list opens the download dialog for it; the session marks it taken.
class GalleryPage : public QWidget
{
    Q_OBJECT
public:
    GalleryPage(Platform &platform, LibrarySession &session, QWidget *parent = nullptr);

    ServerBar *serverBar() const { return m_serverBar; }
    QLabel *tipLabel() const { return m_tip; }
    QLabel *noticeLabel() const { return m_notice; }
    QPushButton *refreshButton() const { return m_refresh; }
    CategoryBar *categoryBar() const { return m_categoryBar; }
    QLineEdit *searchEdit() const { return m_searchEdit; }
    QToolButton *searchButton() const { return m_searchButton; }
    QLineEdit *savePathEdit() const { return m_savePath; }
    QToolButton *browseButton() const { return m_browse; }
    QLabel *latestTitle() const { return m_latestTitle; }
    PictureList *latestList() const { return m_latestList; }
    PageBar *pageBar() const { return m_pageBar; }
    PictureGrid *pictureGrid() const { return m_grid; }
    PictureGrid *selectionGrid() const { return m_selectionGrid; }
    // Where the hidden counter page lies: the latest uploads' column.
    QWidget *counterHost() const { return m_latestColumn; }

    void setNotices(const QString &tip, const QString &notice);
    void setCategories(const QStringList &captions);
    void setCurrentCategory(int category);
    // The page bar of category: "全部" down and one button per page.
    void showPageButtons(int category);
    // After a reload of the category on show: page buttons added or taken away as its size asks.
    void updatePageButtons(int category);
    int currentPage() const { return m_currentPage; }
    void setCurrentPage(int page) { m_currentPage = page; }
    // Fills the grid with records of the current category: all of them, the page the user is on, or
    // those picked one by one.
    void showAll(bool fromTop);
    void showCurrentPage(bool fromTop);
    void showPicked(const RecordList &records, bool fromTop);
    // The wheel turned down over the window: one row down in whichever grid shows.
    void scrollVisibleGridDown();
    // The zone's four buttons instead of the page buttons.
    void showZoneButtons();
    // The selection editor over the grid, holding all of the current category; or closed.
    void openSelectionEditor();
    void closeSelectionEditor();
    bool isEditing() const;
    // The grid emptied (a search from the file page).
    void clearGrid();
    // The page's controls in the order the eye reads them: header rows, category row, search and save,
    // page bar, grid, latest uploads.
    QList<QWidget *> tabChain() const;

signals:
    void categorySwitchRequested(int category);
    void zoneToggleRequested();
    void refreshRequested();
    void saveFolderChooseRequested();
    void searchRequested();
    void zoneButtonClicked(kestrin::navigation::BarAction action);

private:
    void buildHeader();
    void buildCategoryRow();
    void buildLatestColumn(QWidget *parent);
    void buildGridColumn(QWidget *parent);
    void onCategoryButton(int tag);
    void onPageEntry(int index);
    void onGridRecord(int category, const QByteArray &record);
    void onLatestRow(int row);
    void openDownloadDialog(const DownloadRequest &request, std::function<void()> afterClose);
    LocalName dialogName() const;

    Platform &m_platform;
    LibrarySession &m_session;
    const Catalogue &m_catalogue;
    UserOptions &m_options;
    int m_currentPage = 0;
    int m_latestCategory = -1;

    ServerBar *m_serverBar = nullptr;
    QLabel *m_tip = nullptr;
    QLabel *m_notice = nullptr;
    QPushButton *m_refresh = nullptr;
    CategoryBar *m_categoryBar = nullptr;
    QLineEdit *m_searchEdit = nullptr;
    QToolButton *m_searchButton = nullptr;
    QLineEdit *m_savePath = nullptr;
    QToolButton *m_browse = nullptr;
    QLabel *m_latestTitle = nullptr;
    QWidget *m_latestColumn = nullptr;
    PictureList *m_latestList = nullptr;
    PageBar *m_pageBar = nullptr;
    PictureGrid *m_grid = nullptr;
    PictureGrid *m_selectionGrid = nullptr;
};

} // namespace kestrin
