#pragma once
#include "core/app/library_session.h"
#include "platform/platform.h"

#include <QMainWindow>

class QCheckBox;
class QScrollArea;
class QTabWidget;

namespace kestrin {

class FilePage;
class GalleryPage;
class LoadingPopup;
class WebTabHost;
class WindowStatusBar;

// The main window composes the pages, the status bar and the web tabs over one library session, shows
// what the session reports and passes on what the user asks for. The session does the work: every
// network wait runs on the event loop, so the window stays usable while a category loads.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(Platform platform, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Start-up; startFinished tells whether the window is to be shown (otherwise the end of the program
    // has been requested).
    void start();
    bool isStarted() const { return m_session.isStarted(); }
    // Shows the window in the middle of its screen, made smaller to fit a screen too small for it.
    void showCentred();

    LibrarySession &session() { return m_session; }
    const Catalogue &catalogue() const { return m_session.catalogue(); }
    const PersonalZone &zone() const { return m_session.zone(); }
    DownloadQueue &downloads() { return m_session.downloads(); }
    ServerChoice &serverChoice() { return m_session.serverChoice(); }
    UserOptions &options() { return m_session.options(); }
    QTimer &pollTimer() { return m_session.pollTimer(); }
    QTimer &queueTimer() { return m_session.queueTimer(); }
    QTimer &refreshLimitTimer() { return m_session.refreshLimitTimer(); }
    QString userName() const { return m_session.userName(); }

    QTabWidget *pages() const { return m_pages; }
    GalleryPage *galleryPage() const { return m_gallery; }
    FilePage *filePage() const { return m_filePage; }
    WindowStatusBar *windowStatusBar() const { return m_statusBar; }
    WebTabHost *webTabs() const { return m_webTabs; }
    LoadingPopup *loadingPopup() const { return m_popup; }
    QCheckBox *soundBox() const { return m_soundBox; }
    QCheckBox *chineseNamesBox() const { return m_chineseNamesBox; }

    void chooseSaveFolder();
    // "搜索" or Enter on either page: the current category's pictures by name.
    void search();

signals:
    void startFinished(bool started);
    // The answer of a category load is on screen (grid, lists, status).
    void categoryShown(int category);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    QCheckBox *optionBox(const char *name, const QString &text, UserOptions::Flag flag);
    void placeOptionBoxes();
    void connectPages();
    void connectSession();
    void onConfigured(const RemoteConfig &config);
    void onStartFinished(bool started);
    void onCurrentCategory(int category);
    void onCategoryLoaded(int category, bool ok, LoadCause cause);
    void onAnnounced(const QStringList &names);
    void showZone();
    void showLogin();
    void onZoneButton(navigation::BarAction action);

    Platform m_platform;
    LibrarySession m_session;
    QScrollArea *m_pagesArea = nullptr;
    QTabWidget *m_pages = nullptr;
    GalleryPage *m_gallery = nullptr;
    FilePage *m_filePage = nullptr;
    WindowStatusBar *m_statusBar = nullptr;
    WebTabHost *m_webTabs = nullptr;
    LoadingPopup *m_popup = nullptr;
    QCheckBox *m_soundBox = nullptr;
    QCheckBox *m_chineseNamesBox = nullptr;
};

} // namespace kestrin
