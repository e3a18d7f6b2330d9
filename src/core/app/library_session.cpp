// The session's state, start-up, category loads, the refresh limit and what the user takes.
#include "core/app/library_session.h"

#include "core/app/memory.h"
#include "core/app/settings.h"
#include "core/catalogue/gbk.h"
#include "core/catalogue/latest_rows.h"
#include "core/server/file_version.h"
#include "core/server/remote_config.h"
#include "platform/lifecycle.h"
#include "platform/prompts.h"
#include "platform/settings_store.h"
#include "platform/shell.h"

#include <QDir>

namespace kestrin {

LibrarySession::LibrarySession(const Platform &platform, QObject *parent)
    : QObject(parent), m_platform(platform), m_loader(m_catalogue), m_poller(m_catalogue, m_loader),
      m_speedTest(m_catalogue),
      m_downloads(m_catalogue,
                  [this] {
                      return QueueSettings{m_options.savePath(), m_options.flag(UserOptions::ChineseNames),
                                           m_options.flag(UserOptions::AutoOpen)};
                  }),
      m_latest(&latestRowTone), m_files(&fileRowTone)
{
    m_catalogue.servers = m_platform.servers;
    m_refreshLimit.setObjectName(QStringLiteral("refreshLimitTimer"));
    m_refreshLimit.setInterval(kRefreshLimitMs);
    m_refreshLimit.setSingleShot(true);
    m_mergeSlices.setSingleShot(true);
    m_mergeSlices.setInterval(0);
    connect(&m_mergeSlices, &QTimer::timeout, this, &LibrarySession::continueMerge);
    m_memoryRelease.setSingleShot(true);
    // Once things are quiet: handing back walks every freed block, and a window thread that needs
    // memory meanwhile waits for it.
    m_memoryRelease.setInterval(kMemoryReleaseDelayMs);
    connect(&m_memoryRelease, &QTimer::timeout, this, [] { releaseFreedMemory(); });

    connect(&m_loader, &CategoryLoader::finished, this, &LibrarySession::onLoadFinished);
    connect(&m_loader, &CategoryLoader::changeServerFailed, this, &LibrarySession::onChangeServerFailed);
    connect(&m_loader, &CategoryLoader::changeServersExhausted, this, &LibrarySession::onNoChangeServer);
    // The user's pick is the only way back from the server failures moved to.
    connect(&m_serverChoice, &ServerChoice::chosen, this, [this](int index) { m_catalogue.serverIndex = index; });
    connect(&m_downloads, &DownloadQueue::downloaded, this, [this](const QString &path, bool open) {
        if (open)
            m_platform.shell.open(path);
    });
    connect(&m_downloads, &DownloadQueue::storeFailed, this, [this](const QString &path, const QString &reason) {
        m_platform.prompts.message(
            QStringLiteral("下载队列无法保存到 %1（%2），关闭程序后未完成的下载将不会继续。").arg(path, reason));
    });
    connectChanges();
}

LibrarySession::~LibrarySession() { m_loader.cancel(); }

QString LibrarySession::userName() const { return gbk::decode(m_zone.userName); }

void LibrarySession::start()
{
    m_starting = true;
    m_catalogue.current = 0;
    m_catalogue.serverIndex = 0;
    const StoredSettings stored = readSettings(m_platform.settings, m_platform.folders);
    m_options.setSavePath(stored.savePath);
    m_zone.userName = gbk::encode(stored.userName);
    const QString documents = shellFolder(m_platform.folders, QStringLiteral("Personal"));
    m_store = SelectionStore((documents.isEmpty() ? QDir::homePath() : documents) + u'/' +
                             QLatin1String(SelectionStore::kFileName));

    m_configLoader = new ConfigLoader(m_catalogue, this);
    connect(m_configLoader, &ConfigLoader::loaded, this, &LibrarySession::onConfigLoaded);
    connect(m_configLoader, &ConfigLoader::unreachable, this, [this] {
        m_platform.prompts.message(QStringLiteral("无法连接Kestrin服务器,请与管理员联系!"));
        m_platform.life.requestTermination(exit_status::kNoServer);
        finishStart(false);
    });
    m_configLoader->start();
}

void LibrarySession::onConfigLoaded(const RemoteConfig &config)
{
    m_catalogue.reset(config.categories);
    emit configured(config);
    if (config.version != ownFileVersion() &&
        m_platform.prompts.confirm(QStringLiteral("Kestrin发现新的版本，是否立即升级？"))) {
        const QString address = gbk::decode(config.upgradeUrl);
        if (!m_platform.shell.open(address))
            m_platform.prompts.message(QStringLiteral("无法打开升级地址，请手动访问：\n") + address);
        m_platform.life.requestTermination();
        // Nothing more to load for a window that will not stay open.
        finishStart(false);
        return;
    }
    m_cause = LoadCause::Start;
    m_loader.load(0);
}

void LibrarySession::onFirstCategory(bool ok, const QString &reason)
{
    if (m_platform.life.terminating()) {
        finishStart(false);
        return;
    }
    m_poller.timer().start();
    showLoadStatus(0, ok, reason);
    // The window builds its bars now, before the zone and the lists are shown in them.
    finishStart(true);
    if (!m_zone.userName.isEmpty()) {
        // The user logged in when the program last closed comes back in, with no password asked.
        m_store.loadSelection(m_zone.userName, m_catalogue);
        enterZone(false);
    }
    fillLists(0);
    // What was queued and not yet downloaded when the program last ended comes back and goes on.
    const QString store = shellFolder(m_platform.folders, QStringLiteral("AppData"));
    if (!store.isEmpty())
        m_downloads.restoreFrom(store + QStringLiteral("/queue.json"));
    emit categoryLoaded(0, ok, LoadCause::Start);
    if (m_zone.active())
        showPicked(0, true);
}

void LibrarySession::finishStart(bool started)
{
    m_starting = false;
    m_started = started;
    if (m_configLoader) {
        m_configLoader->deleteLater();
        m_configLoader = nullptr;
    }
    emit startFinished(started);
}

void LibrarySession::close()
{
    finishMerge();
    m_loader.cancel();
    if (!m_started || m_closed)
        return;
    m_closed = true;
    if (!writeSettings(m_platform.settings, {m_options.savePath(), userName()}))
        m_platform.prompts.message(QStringLiteral("设置无法保存到 %1，本次选择的保存目录和用户将不会被记住。")
                                       .arg(m_platform.settings.location()));
}

void LibrarySession::switchCategory(int category)
{
    finishMerge();
    if (!m_catalogue.isValid(category))
        return;
    m_catalogue.current = category;
    emit currentCategoryChanged(category);
    load(LoadCause::Switch);
}

bool LibrarySession::refresh()
{
    if (m_refreshLimit.isActive()) {
        m_platform.prompts.message(QStringLiteral("为了防止恶意刷新，每15秒只允许手动刷新一次！"));
        return false;
    }
    // Blocked from the click on; the 15 seconds count from the end of the reload.
    m_refreshLimit.start();
    m_limitFromLoadEnd = true;
    load(LoadCause::Refresh);
    return true;
}

void LibrarySession::load(LoadCause cause)
{
    finishMerge();
    m_cause = cause;
    m_recordsBeforeLoad = m_catalogue.items(m_catalogue.current).size();
    emit loadStarted(m_catalogue.current, cause != LoadCause::Retry);
    m_loader.load(m_catalogue.current);
}

void LibrarySession::onLoadFinished(int category, bool ok, const QString &reason)
{
    if (m_starting) {
        onFirstCategory(ok, reason);
        return;
    }
    if (std::exchange(m_limitFromLoadEnd, false))
        m_refreshLimit.start();
    const LoadCause cause = m_cause;
    if (qMax(m_recordsBeforeLoad, m_catalogue.items(category).size()) >= kLargeCategory)
        scheduleMemoryRelease(); // the records replaced, and the answer's way in
    showLoadStatus(category, ok, reason);
    fillLists(category);
    if (cause == LoadCause::Switch && m_zone.active()) {
        // Another category in the zone: its picks, or the editor when it has none yet.
        const bool none = m_catalogue.categories[size_t(category)].selection.isEmpty();
        m_zone.state = none ? PersonalZone::State::Editing : PersonalZone::State::Viewing;
        emit zoneChanged();
    }
    emit categoryLoaded(category, ok, cause);
    if (m_zone.active())
        showPicked(category, cause == LoadCause::Switch);
    if (ok)
        announceSinceBaseline(category);
}

void LibrarySession::showLoadStatus(int category, bool ok, const QString &reason)
{
    // A failed load says so until the next one succeeds; the grid alone would only look empty.
    if (!ok)
        setUpdateStatus(QStringLiteral("载入失败: ") + reason);
    else if (std::exchange(m_noChangeServer, false))
        setUpdateStatus(QStringLiteral("所有服务器均无法连接,稍后自动重试"));
    else
        setUpdateStatus(QStringLiteral("最后更新: ") + gbk::decode(m_catalogue.categories[size_t(category)].updateTime));
}

void LibrarySession::setUpdateStatus(const QString &text)
{
    m_updateStatus = text;
    emit updateStatusChanged(text);
}

void LibrarySession::fillLists(int category)
{
    const LatestRows rows = latestRows(m_catalogue, m_catalogue.latest(category), m_zone.active());
    m_latest.setRows(rows.top);
    m_files.setRows(rows.main);
}

void LibrarySession::onChangeServerFailed(int index, bool reported)
{
    // Start-up says it in a box; once the window is up, a failing server must not stop the user.
    if (m_starting && reported)
        m_platform.prompts.message(QStringLiteral("与#%1号主机通信失败,尝试连接下一台服务器!").arg(index));
    else if (!m_starting)
        setUpdateStatus(QStringLiteral("与#%1号主机通信失败,正在尝试下一台服务器").arg(index));
}

void LibrarySession::onNoChangeServer()
{
    if (!m_starting) {
        m_noChangeServer = true;
        return;
    }
    m_platform.prompts.message(QStringLiteral("所有服务器均无法连接,请与管理员联系!"));
    m_platform.life.requestTermination(exit_status::kNoServer);
}

void LibrarySession::markTaken(int category, qsizetype id)
{
    finishMerge();
    m_catalogue.markTaken(category, id);
    if (category == m_catalogue.current) {
        m_latest.markRecord(id);
        m_files.markRecord(id);
    }
    emit pictureTaken(category, id);
}

QueueEntry LibrarySession::queueEntry(int category, const QByteArray &fileName, const QByteArray &chineseName) const
{
    QueueEntry e;
    e.fileName = fileName;
    e.chineseName = chineseName;
    e.category = category;
    if (m_catalogue.isValid(category)) {
        e.folder = m_catalogue.categories[size_t(category)].entry.folder;
        e.extension = m_catalogue.categories[size_t(category)].entry.extension;
    }
    return e;
}

void LibrarySession::queuePicture(const LatestRow &row)
{
    finishMerge();
    const int c = m_catalogue.current;
    m_downloads.enqueue(queueEntry(c, row.fileName, row.chineseName));
    bool ok = false;
    const int entry = parseSignedInt(row.tag, &ok);
    if (ok)
        markTaken(c, entry < 0 ? -qsizetype(entry) : qsizetype(entry));
}

} // namespace kestrin
