#pragma once
#include "core/catalogue/latest_rows.h"

#include <QList>
#include <functional>

namespace kestrin {

struct Catalogue;
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
};

// A picture put at the top of the lists: the sound is played and, with autoQueue, it is queued.
struct Announcement
{
    qsizetype index = -1;
    LatestRow row;
    bool queued = false;
};

inline constexpr int kLatestListKeep = 45;

// Merges one change list into category c (the current one): each entry rewrites its record with the
// category's update time, or "-1" when its value is below 1; its rows leave both lists; an entry not
// starting with "-" is announced at the top of both. Blank entries, entries that are not numbers,
// entries beyond the records and caption rows are skipped.
QList<Announcement> applyChanges(Catalogue &cat, int c, const QList<QByteArray> &entries, const MergeTargets &targets,
                                 MergeSettings settings);

} // namespace kestrin
