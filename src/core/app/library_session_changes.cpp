// Changes arriving: the poll's findings merged or reloaded, new pictures announced (sound, top of the
// lists, the queue), and the quiet reports of failing servers.
#include "core/app/library_session.h"

#include "core/catalogue/gbk.h"
#include "core/catalogue/new_pictures.h"
#include "core/catalogue/records.h"
#include "core/app/memory.h"
#include "platform/notifications.h"
#include "platform/prompts.h"

#include <QSet>
#include <limits>

namespace kestrin {

namespace {

qsizetype recordOfTag(QByteArrayView tag)
{
    bool ok = false;
    const int value = parseSignedInt(tag, &ok);
    return !ok ? -1 : value < 0 ? -qsizetype(value) : qsizetype(value);
}

QSet<qsizetype> recordsListed(const LatestListModel &model)
{
    QSet<qsizetype> ids;
    for (const LatestRow &row : model.rows())
        ids.insert(recordOfTag(row.tag));
    return ids;
}

} // namespace

void LibrarySession::connectChanges()
{
    m_poller.setChosenServer([this] { return m_serverChoice.serverIndex(); });
    connect(&m_poller, &ChangePoller::changesArrived, this, &LibrarySession::mergeChanges);
    connect(&m_poller, &ChangePoller::reloadNeeded, this, &LibrarySession::onReloadNeeded);
    // In the background: no loading box, the view where it was.
    connect(&m_poller, &ChangePoller::retryNeeded, this, [this](int category) {
        if (category == m_catalogue.current)
            load(LoadCause::Retry);
    });
    connect(&m_poller, &ChangePoller::serverFailed, this, [this](int index) {
        setUpdateStatus(QStringLiteral("与#%1号主机通信失败,正在尝试下一台服务器").arg(index));
    });
    connect(&m_poller, &ChangePoller::allServersFailed, this,
            [this] { setUpdateStatus(QStringLiteral("所有服务器均无法连接,稍后自动重试")); });
    connect(&m_poller, &ChangePoller::recovered, this, [this](int index) {
        const QString text = QStringLiteral("已恢复连接，现使用#%1号主机").arg(index);
        setUpdateStatus(text);
        // Said for a while, then the panel goes back to the category's last update.
        QTimer::singleShot(kRecoveredNoticeMs, this, [this, text] {
            const Category &shown = m_catalogue.categories[size_t(m_catalogue.current)];
            if (m_updateStatus == text && !shown.failed)
                setUpdateStatus(QStringLiteral("最后更新: ") + gbk::decode(shown.updateTime));
        });
    });
}

void LibrarySession::mergeChanges(int category, const QByteArray &changeList)
{
    finishMerge();
    if (category != m_catalogue.current)
        return;
    MergeTargets targets;
    targets.latest = &m_latest;
    targets.files = &m_files;
    targets.rewritten = [this, category](qsizetype index, const QByteArray &record) {
        emit recordRewritten(category, index, record);
    };
    // Taken and queued at the end, once it is known how many there are.
    emit mergeStarted(category);
    // Past kRepublishedCount only the count matters.
    m_merge = std::make_unique<ChangeMerge>(m_catalogue, category, changeList, targets,
                                            MergeSettings{m_zone.active(), false, kRepublishedCount + 1});
    continueMerge();
}

void LibrarySession::continueMerge()
{
    if (!m_merge)
        return;
    if (m_merge->step(kMergeSliceEntries, kMergeSliceMs))
        completeMerge();
    else
        m_mergeSlices.start();
}

void LibrarySession::finishMerge()
{
    if (!m_merge)
        return;
    m_mergeSlices.stop();
    m_merge->step(std::numeric_limits<qsizetype>::max());
    completeMerge();
}

void LibrarySession::completeMerge()
{
    const int category = m_merge->category();
    const bool large = m_merge->size() > kMergeSliceEntries;
    const qsizetype count = m_merge->announcedCount();
    const QList<Announcement> heard = m_merge->takeAnnouncements();
    m_merge.reset();
    emit mergeEnded(category);
    if (m_zone.state == PersonalZone::State::Viewing)
        showPicked(category, false);
    setUpdateStatus(QStringLiteral("最后更新: ") + gbk::decode(m_catalogue.categories[size_t(category)].updateTime));
    if (count > kRepublishedCount) {
        announceRepublished(count);
    } else {
        QList<qsizetype> indexes;
        for (const Announcement &a : heard)
            indexes.append(a.index);
        announce(category, heard, indexes);
    }
    if (large)
        scheduleMemoryRelease();
}

void LibrarySession::scheduleMemoryRelease()
{
    // A second after the last large load or merge: its own lists are gone and the views have taken in
    // the result.
    m_memoryRelease.start();
}

void LibrarySession::onReloadNeeded(int category)
{
    finishMerge();
    if (category != m_catalogue.current)
        return;
    // The copy held now is what "new" is measured against, until a load of this category succeeds.
    // A baseline already waiting is older still and stays.
    if (!m_baselines.contains(category))
        m_baselines.insert(category, m_catalogue.items(category));
    load(LoadCause::Poll);
}

void LibrarySession::announceSinceBaseline(int category)
{
    const auto it = m_baselines.constFind(category);
    if (it == m_baselines.constEnd())
        return;
    const RecordList before = *it;
    m_baselines.erase(it);
    QSet<QByteArray> picked;
    if (m_zone.active())
        for (const QByteArray &name : m_catalogue.categories[size_t(category)].selection)
            picked.insert(name);
    const QList<qsizetype> found = newPictures(before, m_catalogue.items(category), m_zone.active() ? &picked : nullptr);
    if (found.isEmpty()) {
        playSound(); // the category was out of step: the reload is still heard
        return;
    }
    if (found.size() > kRepublishedCount) {
        announce(category, {}, found);
        return;
    }
    announceRecords(category, found);
}

void LibrarySession::announceRecords(int category, const QList<qsizetype> &indexes)
{
    const QSet<qsizetype> inLatest = recordsListed(m_latest);
    const QSet<qsizetype> inFiles = recordsListed(m_files);
    QList<Announcement> announced;
    {
        const LatestListModel::Batch holdLatest(m_latest);
        const LatestListModel::Batch holdFiles(m_files);
        for (qsizetype index : indexes) {
            const PictureRecord record = PictureRecord::parse(m_catalogue.items(category).at(index));
            Announcement a;
            a.index = index;
            a.row = {record.fileName.toByteArray(), record.chineseName.toByteArray(), record.time.toByteArray(),
                     m_catalogue.isTaken(category, index) ? markText() : QByteArray(), record.id.toByteArray()};
            // Rows the reload already shows stay where they are; the others go on top.
            if (!inLatest.contains(index))
                m_latest.insertTop(a.row);
            if (!inFiles.contains(index))
                m_files.insertTop(a.row);
            m_latest.trimTo(kLatestListKeep);
            announced.append(a);
        }
    }
    announce(category, announced, indexes);
}

void LibrarySession::announce(int category, const QList<Announcement> &announced, const QList<qsizetype> &indexes)
{
    if (indexes.size() > kRepublishedCount) {
        announceRepublished(indexes.size());
        return;
    }
    if (m_options.flag(UserOptions::AutoQueue) && !indexes.isEmpty()) {
        const QSet<qsizetype> queued(indexes.cbegin(), indexes.cend());
        for (const Announcement &a : announced) {
            m_catalogue.markTaken(category, a.index);
            m_downloads.enqueue(queueEntry(category, a.row.fileName, a.row.chineseName));
        }
        m_latest.markRecords(queued);
        m_files.markRecords(queued);
        emit picturesTaken(category);
    }
    QStringList names;
    for (const Announcement &a : announced) {
        playSound();
        names << gbk::decodeForDisplay(a.row.caption(), 64);
    }
    if (!names.isEmpty())
        emit picturesAnnounced(category, names);
}

void LibrarySession::announceRepublished(qsizetype count)
{
    // The whole library anew: one chime and a word, not hundreds of announcements and downloads.
    playSound();
    setUpdateStatus(QStringLiteral("图库已重新发布：%1张图纸有更新，未逐张提醒").arg(count));
}

void LibrarySession::playSound()
{
    if (m_platform.sound && m_options.flag(UserOptions::PlaySound))
        m_platform.sound->play();
}

} // namespace kestrin
