#include "core/download/download_queue.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/gbk.h"
#include "core/catalogue/records.h"
#include "core/server/http.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace kestrin {

QByteArray QueueEntry::caption() const { return displayName(fileName, chineseName); }

namespace {

// The hidden file a picture's bytes gather in: always beside it, in the save folder.
QString partialPathOf(const DownloadPlan &plan, const QueueSettings &settings)
{
    return trimSavePath(settings.savePath) + QLatin1Char('/') + partialFileName(QFileInfo(plan.targetPath).fileName());
}

// Removes a download's part and nothing else: a file not named as parts are is left alone.
void removePart(const QString &path)
{
    if (isPartialFileName(QFileInfo(path).fileName()))
        QFile::remove(path);
}

} // namespace

void DownloadQueueModel::append(const QueueEntry &entry)
{
    const int row = int(m_entries.size());
    beginInsertRows({}, row, row);
    m_entries.append(entry);
    endInsertRows();
}

void DownloadQueueModel::remove(int row)
{
    if (row < 0 || row >= m_entries.size())
        return;
    beginRemoveRows({}, row, row);
    m_entries.removeAt(row);
    endRemoveRows();
}

void DownloadQueueModel::changed(int row)
{
    if (row >= 0 && row < m_entries.size())
        emit dataChanged(index(row), index(row));
}

int DownloadQueueModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_entries.size()); }

QVariant DownloadQueueModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    const QueueEntry &e = m_entries[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return gbk::decodeForDisplay(e.caption()) +
               (e.state == QueueEntry::State::Failed ? QStringLiteral("（失败：%1）").arg(e.reason) : QString());
    case Qt::ToolTipRole:
        return e.state == QueueEntry::State::Failed ? QStringLiteral("下载失败：%1\n右键可重试或删除").arg(e.reason)
                                                    : gbk::decodeForDisplay(e.caption());
    case StateRole:
        return int(e.state);
    case ReasonRole:
        return e.reason;
    default:
        return {};
    }
}

QVariant DownloadQueueModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QStringLiteral("待下载文件列表");
    return QAbstractListModel::headerData(section, orientation, role);
}

DownloadQueue::DownloadQueue(Catalogue &catalogue, std::function<QueueSettings()> settings, QObject *parent)
    : QObject(parent), m_catalogue(catalogue), m_settings(std::move(settings))
{
    m_timer.setObjectName(QStringLiteral("queueTimer"));
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &DownloadQueue::tick);
    // Changes that come together are written together.
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(50);
    connect(&m_saveTimer, &QTimer::timeout, this, &DownloadQueue::save);
}

DownloadQueue::~DownloadQueue()
{
    if (m_job)
        m_job->cancel();
    // Whoever listens may be half gone by now: the last write is made without a word.
    blockSignals(true);
    if (m_saveTimer.isActive())
        save();
}

int DownloadQueue::rowOf(quint64 id) const
{
    const QList<QueueEntry> &entries = m_model.entries();
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].id == id)
            return i;
    }
    return -1;
}

void DownloadQueue::enqueue(const QueueEntry &entry)
{
    QueueEntry e = entry;
    e.id = m_nextId++;
    e.state = QueueEntry::State::Waiting;
    m_model.append(e);
    scheduleSave();
    startSoon();
}

void DownloadQueue::retry(int row)
{
    if (row < 0 || row >= m_model.rowCount() || m_model.entries()[row].state != QueueEntry::State::Failed)
        return;
    QueueEntry &e = m_model.entry(row);
    e.state = QueueEntry::State::Waiting;
    e.tries = 0;
    e.reason.clear();
    m_model.changed(row);
    scheduleSave();
    startSoon();
}

void DownloadQueue::remove(int row)
{
    if (row < 0 || row >= m_model.rowCount())
        return;
    const QueueEntry e = m_model.entries()[row];
    if (e.id == m_running) {
        if (m_job)
            m_job->cancel();
        m_running = 0;
        emit progress(0, 0);
        startSoon();
    }
    const QueueSettings settings = m_settings();
    const QString part = partFileOf(e, settings);
    m_model.remove(row);
    scheduleSave();
    // The hidden part of a download stays only while an entry is in the queue that may continue it: the
    // same picture may be queued twice.
    if (part.isEmpty())
        return;
    for (const QueueEntry &other : m_model.entries()) {
        if (partFileOf(other, settings) == part)
            return;
    }
    removePart(part);
}

std::optional<DownloadPlan> DownloadQueue::plan(const QueueEntry &e, const QueueSettings &settings) const
{
    DownloadRequest request;
    request.urlBase = m_catalogue.baseUrl() + QString::fromLatin1(e.folder.toPercentEncoding("/")) + u'/';
    request.fileName = e.fileName;
    request.chineseName = e.chineseName;
    request.extension = e.extension;
    request.savePath = settings.savePath;
    request.localName = settings.chineseNames ? LocalName::FileAndChineseName : LocalName::FileName;
    return planDownload(request);
}

// Where the entry's bytes are: where it last ran this time, or else where it would go with the settings of now.
QString DownloadQueue::partFileOf(const QueueEntry &e, const QueueSettings &settings) const
{
    if (!e.partialPath.isEmpty())
        return e.partialPath;
    const std::optional<DownloadPlan> p = plan(e, settings);
    return p ? partialPathOf(*p, settings) : QString();
}

void DownloadQueue::startSoon()
{
    if (!m_timer.isActive())
        m_timer.start();
    // The next picture goes as soon as the queue is free, not up to a tick later: on a fast line that
    // wait would be longer than a small picture's transfer. The tick stays as the queue's heartbeat.
    if (m_running == 0)
        QMetaObject::invokeMethod(this, &DownloadQueue::tick, Qt::QueuedConnection);
}

void DownloadQueue::tick()
{
    if (m_running != 0)
        return;
    for (const QueueEntry &e : m_model.entries()) {
        if (e.state == QueueEntry::State::Waiting) {
            start(e.id);
            return;
        }
    }
    m_timer.stop();
    emit idle();
}

void DownloadQueue::start(quint64 id)
{
    const int row = rowOf(id);
    if (row < 0) {
        m_running = 0;
        return;
    }
    m_running = id;
    QueueEntry &e = m_model.entry(row);
    e.state = QueueEntry::State::Running;
    m_model.changed(row);
    emit started(e.caption());

    const QueueSettings settings = m_settings();
    const QFileInfo folder(settings.savePath);
    if (!folder.exists()) {
        fail(row, QStringLiteral("保存目录不存在: %1").arg(settings.savePath));
        return;
    }
    if (!folder.isDir()) {
        fail(row, QStringLiteral("保存位置不是文件夹: %1").arg(settings.savePath));
        return;
    }
    const std::optional<DownloadPlan> planned = plan(e, settings);
    if (!planned) {
        fail(row, QStringLiteral("文件名无法在本地使用"));
        return;
    }
    // Derived afresh each time. An entry taken back from the list has none yet: the bytes at this place,
    // if any, are its own from the last run, and ifRange tells their version.
    const QString partial = partialPathOf(*planned, settings);
    if (e.partialPath != partial) {
        if (!e.partialPath.isEmpty()) {
            // Another folder or name than the bytes so far were meant for: they are of no use.
            removePart(e.partialPath);
            e.ifRange.clear();
            scheduleSave();
        }
        e.partialPath = partial;
    }
    m_target = planned->targetPath;
    m_openWhenDone = settings.autoOpen;
    HttpRequest http;
    http.url = planned->url;
    http.readTimeoutMs = kReadTimeoutMs;
    http.targetPath = planned->targetPath;
    http.partialPath = partial;
    http.ifRange = e.ifRange;
    m_job = Http::get(http, this, [this, id](const HttpResult &r) { onResult(id, r); });
    connect(m_job, &HttpJob::progress, this, &DownloadQueue::progress);
    // Kept at once, not only after a failure: a program that ends mid-transfer goes on next time.
    connect(m_job, &HttpJob::partialStarted, this, [this, id](const QByteArray &etag, const QByteArray &lastModified) {
        const int at = rowOf(id);
        if (at < 0 || (etag.isEmpty() && lastModified.isEmpty()))
            return;
        m_model.entry(at).ifRange = etag.isEmpty() ? lastModified : etag;
        scheduleSave();
    });
}

void DownloadQueue::onResult(quint64 id, const HttpResult &result)
{
    const int row = rowOf(id);
    if (row < 0 || id != m_running)
        return;
    QueueEntry &e = m_model.entry(row);
    emit progress(0, 0);
    if (result.ok()) {
        m_running = 0;
        e.partialPath.clear(); // it became the picture
        m_model.remove(row);
        scheduleSave();
        emit downloaded(m_target, m_openWhenDone);
        startSoon();
        return;
    }
    // Bytes kept for the next try belong to the version this answer came with; an empty file holds
    // nothing to continue from.
    const QFileInfo partial(e.partialPath);
    if (partial.isFile() && partial.size() == 0)
        removePart(e.partialPath);
    else if (partial.isFile() && (!result.etag.isEmpty() || !result.lastModified.isEmpty()))
        e.ifRange = result.etag.isEmpty() ? result.lastModified : result.etag;
    if (++e.tries < kTries) {
        scheduleSave();
        QTimer::singleShot(m_retryPause, this, [this, id] {
            if (id == m_running)
                start(id);
        });
        return;
    }
    fail(row, result.reason().isEmpty() ? result.errorText : result.reason());
}

void DownloadQueue::fail(int row, const QString &reason)
{
    QueueEntry &e = m_model.entry(row);
    e.state = QueueEntry::State::Failed;
    e.reason = reason;
    m_running = 0;
    m_model.changed(row);
    scheduleSave();
    emit progress(0, 0);
    startSoon();
}

void DownloadQueue::scheduleSave()
{
    // Not restarted by each change: a list that keeps changing is still written every 50 ms.
    if (!m_storePath.isEmpty() && !m_saveTimer.isActive())
        m_saveTimer.start();
}

static QString hex(const QByteArray &bytes) { return QString::fromLatin1(bytes.toHex()); }
static QByteArray unhex(const QJsonValue &v) { return QByteArray::fromHex(v.toString().toLatin1()); }

void DownloadQueue::save()
{
    m_saveTimer.stop();
    if (m_storePath.isEmpty())
        return;
    QJsonArray list;
    for (const QueueEntry &e : m_model.entries()) {
        // Server text stays bytes: the names are kept as the hex of their GBK form.
        list.append(QJsonObject{{QStringLiteral("file"), hex(e.fileName)},
                                {QStringLiteral("chinese"), hex(e.chineseName)},
                                {QStringLiteral("category"), e.category},
                                {QStringLiteral("folder"), hex(e.folder)},
                                {QStringLiteral("extension"), hex(e.extension)},
                                {QStringLiteral("failed"), e.state == QueueEntry::State::Failed},
                                {QStringLiteral("reason"), e.reason},
                                {QStringLiteral("ifRange"), hex(e.ifRange)}});
    }
    const QByteArray bytes = QJsonDocument(QJsonObject{{QStringLiteral("queue"), list}}).toJson(QJsonDocument::Compact);
    QDir().mkpath(QFileInfo(m_storePath).absolutePath());
    QSaveFile file(m_storePath);
    // Flushed first: a buffered write the disk cut short fails only there, and commit() alone would
    // put the head of the list in place of the whole one.
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() && file.commit()) {
        m_storeFailing = false;
        return;
    }
    const QString reason = file.errorString();
    file.cancelWriting();
    // Said once: every change of the list would fail the same way until the folder comes good.
    if (!m_storeFailing) {
        m_storeFailing = true;
        emit storeFailed(m_storePath, reason);
    }
}

void DownloadQueue::restoreFrom(const QString &path)
{
    m_storePath = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QJsonArray list = QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("queue")).toArray();
    bool waiting = false;
    for (const QJsonValue &v : list) {
        const QJsonObject o = v.toObject();
        QueueEntry e;
        e.fileName = unhex(o.value(QStringLiteral("file")));
        e.chineseName = unhex(o.value(QStringLiteral("chinese")));
        e.category = o.value(QStringLiteral("category")).toInt(-1);
        e.folder = unhex(o.value(QStringLiteral("folder")));
        e.extension = unhex(o.value(QStringLiteral("extension")));
        // Older lists carry a "partial" path too: never used, the place is derived again.
        e.ifRange = unhex(o.value(QStringLiteral("ifRange")));
        if (e.fileName.isEmpty())
            continue;
        e.id = m_nextId++;
        if (o.value(QStringLiteral("failed")).toBool()) {
            e.state = QueueEntry::State::Failed;
            e.reason = o.value(QStringLiteral("reason")).toString();
        } else {
            waiting = true;
        }
        m_model.append(e);
    }
    if (waiting)
        startSoon();
}

} // namespace kestrin
