#pragma once
#include "core/catalogue/latest_rows.h"

#include <QList>
#include <QElapsedTimer>
#include <QSet>
#include <functional>
#include <memory>

namespace kestrin {

struct Catalogue;
struct PictureRecord;
class LatestListModel;

// Where a merge shows what it changed.
struct MergeTargets
{
    LatestListModel *latest = nullptr; // the latest uploads: at most kLatestListKeep rows after an announcement
    LatestListModel *files = nullptr;  // the file list
    // Record index got new text: the view that shows it, if any, shows the new text.
    std::function<void(qsizetype index, const QByteArray &record)> rewritten;
};

struct MergeSettings
{
    bool personalZone = false; // only the user's picks are announced
    bool autoQueue = false;    // announced pictures are marked taken and handed to the queue
    // Announcements beyond this many are counted but not kept (-1: all kept): a caller that treats a
    // flood of them as one event need not hold hundreds of thousands of rows until the end.
    qsizetype keepAtMost = -1;
};

// A picture put at the top of the lists: the sound is played and, with autoQueue, it is queued.
struct Announcement
{
    qsizetype index = -1;
    LatestRow row;
    bool queued = false;
};

inline constexpr int kLatestListKeep = 45;

// One change list merged a slice at a time: a list of a hundred thousand entries is merged over many
// turns of the event loop, so the window keeps answering. The lists' repainting is held back from the
// first slice to the end. The catalogue and the lists must not be changed by anyone else until it is
// done (a step without limits does the rest at once).
class ChangeMerge
{
public:
    // The entries as given, or as the change file's line has them (joined by ","; cut as the merge goes,
    // so a list of 500,000 entries costs no single long step).
    ChangeMerge(Catalogue &cat, int c, QList<QByteArray> entries, MergeTargets targets, MergeSettings settings);
    ChangeMerge(Catalogue &cat, int c, const QByteArray &changeList, MergeTargets targets, MergeSettings settings);
    ~ChangeMerge();
    ChangeMerge(const ChangeMerge &) = delete;
    ChangeMerge &operator=(const ChangeMerge &) = delete;

    int category() const { return m_category; }
    qsizetype size() const { return m_total; }
    // Merges up to count more entries, stopping early once budgetMs have passed (0: no limit); true
    // when every entry is merged and the lists are shown again.
    bool step(qsizetype count, int budgetMs = 0);
    // What was announced, in order; complete once step() has said so.
    QList<Announcement> takeAnnouncements() { return std::move(m_announced); }
    // How many were announced, kept or not.
    qsizetype announcedCount() const { return m_announcedCount; }

private:
    struct Holds;
    ChangeMerge(Catalogue &cat, int c, MergeTargets targets, MergeSettings settings);
    // Works out the entries' tags, as far as the budget allows; true when all are known.
    bool prepare(const QElapsedTimer &clock, int budgetMs);
    void mergeEntry(qsizetype i);
    void announce(qsizetype index, const PictureRecord &now, const QByteArray &time);

    Catalogue &m_catalogue;
    int m_category;
    QByteArray m_line;            // the change list as given, while its entries are cut from it
    qsizetype m_cursor = -1;      // where the next entry starts in m_line; -1: entries given whole
    QList<QByteArray> m_entries;  // views into m_line, or the given entries: keys look into them
    qsizetype m_total = 0;
    MergeTargets m_targets;
    MergeSettings m_settings;
    QList<QByteArray> m_keys;
    QSet<QByteArray> m_seen;       // while the tags are worked out
    QList<QByteArray> m_distinct;
    qsizetype m_prepared = 0;
    QSet<QByteArray> m_picks;
    QList<Announcement> m_announced;
    std::unique_ptr<Holds> m_holds;
    qsizetype m_next = 0;
    qsizetype m_announcedCount = 0;
    bool m_valid = false;
};

// Merges one change list into category c, all at once (the current one): each entry rewrites its record with the
// category's update time, or "-1" when its value is below 1; its rows leave both lists; an entry not
// starting with "-" is announced at the top of both. Blank entries, entries that are not numbers,
// entries beyond the records and caption rows are skipped.
QList<Announcement> applyChanges(Catalogue &cat, int c, const QList<QByteArray> &entries, const MergeTargets &targets,
                                 MergeSettings settings);

} // namespace kestrin
