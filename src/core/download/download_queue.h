#pragma once
#include "core/download/download_names.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QPointer>
#include <QTimer>
#include <functional>

namespace kestrin {

struct Catalogue;
struct HttpResult;
class HttpJob;

// One picture waiting to be downloaded. It keeps where the picture lives as it was when it was queued
// (category, folder, extension), so a later change of category cannot send it to another folder.
struct QueueEntry
{
    enum class State { Waiting, Running, Failed };

    QByteArray fileName;
    QByteArray chineseName;
    int category = -1;
    QByteArray folder;    // the category's folder on the server
    QByteArray extension; // the category's extension
    State state = State::Waiting;
    quint64 id = 0;       // given by the queue, unchanged while rows above come and go
    QString reason;       // why it failed
    int tries = 0;
    // The hidden file a cut-short download continues from, as this run derived it when the entry last
    // started; empty before that. Never kept in the list: a path read back from disk is not trusted.
    QString partialPath;
    QByteArray ifRange;   // the version those bytes belong to

    // File name, two blanks, Chinese name: what the queue list shows.
    QByteArray caption() const;
};

// The list "待下载文件列表": entries in the order they were queued, the head first.
class DownloadQueueModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { StateRole = Qt::UserRole + 1, ReasonRole };

    using QAbstractListModel::QAbstractListModel;

    void append(const QueueEntry &entry);
    void remove(int row);
    const QList<QueueEntry> &entries() const { return m_entries; }
    QueueEntry &entry(int row) { return m_entries[row]; }
    void changed(int row); // the entry at row was updated in place

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<QueueEntry> m_entries;
};

// What a download reads from the window at the moment it starts.
struct QueueSettings
{
    QString savePath;
    bool chineseNames = false; // "中文名下载"
    bool autoOpen = false;     // "下载后自动打开"
};

// Works off the queue one picture at a time, in order: the next one starts when the queue becomes free,
// and on every tick of its 100 ms timer while pictures wait. A download
// streams into a hidden file in the save folder that takes the picture's name only when whole; a
// transfer that breaks is tried again (three tries, a pause between them) and continues where it
// stopped when the server can send the rest. An entry that still fails stays in the list, marked
// with the reason, and the queue moves on. The list is kept in a file as it changes, so it survives a
// restart, even an unplanned one.
class DownloadQueue : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTickMs = 100;
    static constexpr int kReadTimeoutMs = 15000;
    static constexpr int kTries = 3;
    static constexpr int kRetryPauseMs = 1000;

    DownloadQueue(Catalogue &catalogue, std::function<QueueSettings()> settings, QObject *parent = nullptr);
    ~DownloadQueue() override;

    DownloadQueueModel &model() { return m_model; }
    QTimer &timer() { return m_timer; }
    // The file the list is kept in; entries found there are taken back and the queue resumes.
    void restoreFrom(const QString &path);
    void setRetryPause(int ms) { m_retryPause = ms; }

    void enqueue(const QueueEntry &entry);
    void retry(int row);
    void remove(int row);
    void tick();
    bool isBusy() const { return m_running != 0; }

signals:
    void started(const QByteArray &caption);
    void progress(qint64 received, qint64 total);
    void downloaded(const QString &path, bool open);
    // Nothing left to do: the last download has ended.
    void idle();
    // The list could not be kept in its file: once, until a later write succeeds and another fails.
    void storeFailed(const QString &path, const QString &reason);

private:
    std::optional<DownloadPlan> plan(const QueueEntry &e, const QueueSettings &settings) const;
    QString partFileOf(const QueueEntry &e, const QueueSettings &settings) const;
    void startSoon();
    void start(quint64 id);
    void onResult(quint64 id, const HttpResult &result);
    void fail(int row, const QString &reason);
    void scheduleSave();
    void save();

    Catalogue &m_catalogue;
    std::function<QueueSettings()> m_settings;
    DownloadQueueModel m_model;
    QTimer m_timer;
    QTimer m_saveTimer;
    QPointer<HttpJob> m_job;
    QString m_storePath;
    bool m_storeFailing = false; // the last write of the list failed and was reported
    QString m_target;
    bool m_openWhenDone = false;
    int rowOf(quint64 id) const;

    quint64 m_running = 0; // the entry being downloaded (or waiting to be tried again), 0 for none
    quint64 m_nextId = 1;
    int m_retryPause = kRetryPauseMs;
};

} // namespace kestrin
