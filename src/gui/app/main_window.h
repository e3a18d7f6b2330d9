#pragma once
#include "core/app/user_options.h"
#include "core/catalogue/catalogue.h"
#include "core/catalogue/category_loader.h"
#include "core/catalogue/change_merge.h"
#include "core/catalogue/change_poll.h"
#include "core/download/download_queue.h"
#include "core/gallery/navigation.h"
#include "core/personal/personal_zone.h"
#include "core/personal/selection_store.h"
#include "platform/platform.h"
#include "core/server/server_choice.h"
#include "core/server/speed_test.h"

#include <QMainWindow>
#include <QTimer>
#include <functional>

class QCheckBox;
class QTabWidget;

namespace kestrin {

class ConfigLoader;
class FilePage;
class GalleryPage;
class LoadingPopup;
class WebTabHost;
class WindowStatusBar;
struct RemoteConfig;

// The main window composes the pages and owns what they share: the catalogue, its loader and its
// poll, the server choice and speed test, the user's options, the download queue and the timers.
// Every network wait runs on the event loop: the window stays usable while a category loads or a
// server is polled, and a newer load supersedes an older one.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int kRefreshLimitMs = 15000;
    static constexpr int kRecoveredNoticeMs = 5000;

    explicit MainWindow(Platform platform, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Reads the settings, fetches the configuration and loads the first category; startFinished tells
    // whether the window is to be shown (otherwise the end of the program has been requested).
    void start();
    bool isStarted() const { return m_started; }
    void showCentred();

    QTabWidget *pages() const { return m_pages; }
    GalleryPage *galleryPage() const { return m_gallery; }
    FilePage *filePage() const { return m_filePage; }
    WindowStatusBar *windowStatusBar() const { return m_statusBar; }
    WebTabHost *webTabs() const { return m_webTabs; }
    LoadingPopup *loadingPopup() const { return m_popup; }
    QCheckBox *soundBox() const { return m_soundBox; }
    QCheckBox *chineseNamesBox() const { return m_chineseNamesBox; }

    Catalogue &catalogue() { return m_catalogue; }
    CategoryLoader &categoryLoader() { return m_loader; }
    ChangePoller &poller() { return m_poller; }
    DownloadQueue &downloads() { return m_downloads; }
    ServerChoice &serverChoice() { return m_serverChoice; }
    UserOptions &options() { return m_options; }
    QTimer &pollTimer() { return m_poller.timer(); }
    QTimer &queueTimer() { return m_downloads.timer(); }
    QTimer &refreshLimitTimer() { return m_refreshLimitTimer; }
    // The personal zone's user (logged in, or remembered from the last run until the zone is entered).
    QString userName() const;
    const PersonalZone &zone() const { return m_zone; }
    SelectionStore &selectionStore() { return m_store; }

    // Makes category current and loads it; the page buttons follow once it is in.
    void switchCategory(int category);
    // Loads the current category again and refills its views, the grid from its top row when asked;
    // afterLoad runs once they show it (not when a newer load supersedes this one).
    void reloadCategory(std::function<void()> afterLoad = {}, bool fromTop = false);
    void chooseSaveFolder();
    // "立即刷新" on either page: the category again, at most once in 15 seconds.
    void refresh();
    // "搜索" or Enter on either page: the current category's pictures by name.
    void search();
    // The zone button: in (asking for a login when nobody is known) or out (asking first).
    void toggleZone();

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
    void connectParts();
    // Start-up, in the order it runs.
    void onConfigLoaded(const RemoteConfig &config);
    void onFirstCategory(bool ok, const QString &reason);
    void finishStart(bool started);
    // Loads.
    void onCategoryFinished(int category, bool ok, const QString &reason);
    void showLoadStatus(int category, bool ok, const QString &reason);
    void fillViews(int category, bool fromTop);
    void onChangeServerFailed(int index, bool reported);
    void onNoChangeServer();
    // Changes arriving (change_alerts.cpp).
    void connectChanges();
    void mergeChanges(int category, const QList<QByteArray> &entries);
    void onReloadNeeded(int category, const QList<QByteArray> &entries);
    void announce(int category, const QList<Announcement> &announced);
    void playSound();
    void showServerTrouble(const QString &text);
    void connectDownloads();
    // The personal zone (zone_flow.cpp).
    void connectZone();
    void enterZone(bool reload);
    void leaveZone();
    void showZoneLook();
    void onZoneButton(navigation::BarAction action);
    void showCategoryInZone(int category);
    void saveSelection();

    Platform m_platform;
    Catalogue m_catalogue;
    CategoryLoader m_loader;
    ServerChoice m_serverChoice;
    UserOptions m_options;
    ConfigLoader *m_configLoader = nullptr;
    ChangePoller m_poller;
    SpeedTest m_speedTest;
    DownloadQueue m_downloads;
    QTimer m_refreshLimitTimer;
    PersonalZone m_zone;
    SelectionStore m_store{QString()};
    bool m_starting = false;
    bool m_started = false;
    bool m_closed = false;
    std::function<void()> m_afterLoad;
    bool m_fillFromTop = false;
    bool m_noChangeServer = false; // the load in flight got no change file from any server

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
