#pragma once
#include "core/app/user_options.h"
#include "core/catalogue/catalogue.h"
#include "core/catalogue/category_loader.h"
#include "core/catalogue/change_merge.h"
#include "core/catalogue/change_poll.h"
#include "core/catalogue/latest_list_model.h"
#include "core/download/download_queue.h"
#include "core/personal/personal_zone.h"
#include "core/personal/selection_store.h"
#include "core/server/server_choice.h"
#include "core/server/speed_test.h"
#include "platform/platform.h"

#include <QHash>
#include <QObject>
#include <QTimer>

namespace kestrin {

class ConfigLoader;
struct RemoteConfig;

// Why a category is being loaded: the windows show the loading popup for the loads a user waits for,
// and a switch shows the category from its first row.
enum class LoadCause { Start, Switch, Refresh, Poll, Zone, Retry };

// The application's behaviour, without a window: the catalogue and its loads, the poll and the merges,
// what is announced and what goes to the download queue, the refresh limit, the server in use and the
// personal zone. Windows observe it through its signals and models and ask it to act; none of them
// writes the catalogue.
//
// A picture published while it runs is never silently missed: when a poll finds the category out of
// step (serials skipped, a new batch, a record beyond those held), the copy held at that moment is
// kept as the category's baseline until a load of that category succeeds, whatever started the load;
// the pictures new or changed since the baseline are then announced as a merge announces them.
class LibrarySession : public QObject
{
    Q_OBJECT
public:
    static constexpr int kRefreshLimitMs = 15000;
    // More pictures than the latest list holds at once: the library was published anew.
    static constexpr int kRepublishedCount = 46;
    static constexpr int kRecoveredNoticeMs = 5000;

    explicit LibrarySession(const Platform &platform, QObject *parent = nullptr);
    ~LibrarySession() override;

    const Catalogue &catalogue() const { return m_catalogue; }
    const PersonalZone &zone() const { return m_zone; }
    UserOptions &options() { return m_options; }
    ServerChoice &serverChoice() { return m_serverChoice; }
    SpeedTest &speedTest() { return m_speedTest; }
    DownloadQueue &downloads() { return m_downloads; }
    SelectionStore &selectionStore() { return m_store; }
    // The latest uploads of the current category (gallery) and its file list (file mode).
    LatestListModel &latestList() { return m_latest; }
    LatestListModel &fileList() { return m_files; }
    ChangePoller &poller() { return m_poller; }
    CategoryLoader &loader() { return m_loader; }
    QTimer &pollTimer() { return m_poller.timer(); }
    QTimer &queueTimer() { return m_downloads.timer(); }
    QTimer &refreshLimitTimer() { return m_refreshLimit; }

    // The first status panel: the category's last update, why it could not be loaded, server trouble.
    QString updateStatus() const { return m_updateStatus; }
    // The personal zone's user (logged in, or remembered from the last run until the zone is entered).
    QString userName() const;
    bool isStarted() const { return m_started; }
    // Categories whose announcements wait for their next successful load.
    bool isWaitingToAnnounce(int category) const { return m_baselines.contains(category); }
    // A long change list is merged a slice per turn of the event loop; anything that reads or changes
    // the catalogue or the lists first has the rest merged at once.
    bool isMerging() const { return bool(m_merge); }
    void finishMerge();
    static constexpr qsizetype kMergeSliceEntries = 10000;
    static constexpr int kMergeSliceMs = 20;
    // From this many records on, the memory a load leaves behind is handed back.
    static constexpr qsizetype kLargeCategory = 100000;
    static constexpr int kMemoryReleaseDelayMs = 1000;

    // Reads the settings, fetches the configuration from the first server that answers and loads the
    // first category; startFinished tells how it ended.
    void start();
    // Settings written, loads stopped; false when the settings could not be kept (the user was told).
    void close();

    void switchCategory(int category);
    // "立即刷新": the current category again, at most once in 15 seconds from the end of the last one.
    bool refresh();
    // The picture was saved, opened or queued: it shows as taken everywhere.
    void markTaken(int category, qsizetype id);
    // A row of the current category's lists into the download queue, marked taken.
    void queuePicture(const LatestRow &row);

    // The zone button: in (the user known, or a login asked for) or out (after asking).
    void toggleZone();
    // The login dialog accepted user: the stored picks come back and the zone opens.
    void logIn(const QByteArray &user, const QByteArray &password);
    // The zone's buttons and the editor.
    void openEditor();
    void setAllTicks(bool ticked);
    void toggleTick(qsizetype id);
    void submitSelection();
    void returnFromEditor();
    void setLastSearch(const QByteArray &text) { m_zone.lastSearch = text; }

signals:
    void configured(const kestrin::RemoteConfig &config);
    void startFinished(bool started);
    void currentCategoryChanged(int category);
    void loadStarted(int category, bool visible);
    // The answer of a category load is in the catalogue and the lists; the grid is the window's to fill.
    void categoryLoaded(int category, bool ok, kestrin::LoadCause cause);
    void updateStatusChanged(const QString &text);
    void recordRewritten(int category, qsizetype index, const QByteArray &record);
    void pictureTaken(int category, qsizetype id);
    // Several pictures of category were taken at once (queued as they arrived).
    void picturesTaken(int category);
    // New pictures were announced (sound, lists, queue); names are what a desktop message would say.
    void picturesAnnounced(int category, const QStringList &names);
    // The zone was entered or left, or its editor opened or closed.
    void zoneChanged();
    void ticksChanged();
    // The personal zone shows these records of the current category in the grid.
    void pickedShown(const kestrin::RecordList &records, bool fromTop);
    // Nobody is known: the login dialog is to be shown; logIn follows when it is accepted.
    void loginRequested();
    // A change list is being merged into the category's records (recordRewritten for each), until
    // mergeEnded; nothing else changes them meanwhile.
    void mergeStarted(int category);
    void mergeEnded(int category);

private:
    // Start-up.
    void onConfigLoaded(const RemoteConfig &config);
    void onFirstCategory(bool ok, const QString &reason);
    void finishStart(bool started);
    // Loads.
    void load(LoadCause cause);
    void onLoadFinished(int category, bool ok, const QString &reason);
    void showLoadStatus(int category, bool ok, const QString &reason);
    void fillLists(int category);
    void setUpdateStatus(const QString &text);
    void onChangeServerFailed(int index, bool reported);
    void onNoChangeServer();
    // Changes arriving.
    void connectChanges();
    void mergeChanges(int category, const QByteArray &changeList);
    void continueMerge();
    void completeMerge();
    void scheduleMemoryRelease();
    void onReloadNeeded(int category);
    void announceSinceBaseline(int category);
    void announceRecords(int category, const QList<qsizetype> &indexes);
    // Sound, queue and message for the pictures at indexes; more than kRepublishedCount at once are
    // one chime and a word.
    void announce(int category, const QList<Announcement> &announced, const QList<qsizetype> &indexes);
    QueueEntry queueEntry(int category, const QByteArray &fileName, const QByteArray &chineseName) const;
    void announceRepublished(qsizetype count);
    void playSound();
    // The zone.
    void enterZone(bool reload);
    void leaveZone();
    void showPicked(int category, bool fromTop);
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
    LatestListModel m_latest;
    LatestListModel m_files;
    QTimer m_refreshLimit;
    PersonalZone m_zone;
    SelectionStore m_store{QString()};
    std::unique_ptr<ChangeMerge> m_merge;
    QTimer m_mergeSlices;
    QTimer m_memoryRelease;
    QHash<int, RecordList> m_baselines; // per category: the copy held when a poll found it out of step
    QString m_updateStatus;
    LoadCause m_cause = LoadCause::Start;
    qsizetype m_recordsBeforeLoad = 0;
    bool m_limitFromLoadEnd = false; // the refresh limit starts again when the load in flight ends
    bool m_starting = false;
    bool m_started = false;
    bool m_closed = false;
    bool m_noChangeServer = false; // the load in flight got no change file from any server
};

} // namespace kestrin
