#include "core/catalogue/change_merge.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/gbk.h"
#include "core/catalogue/latest_list_model.h"
#include "core/catalogue/records.h"

#include <QElapsedTimer>
#include <QSet>
#include <cstring>

namespace kestrin {

namespace {

// A change entry's record index and sign; false for blanks and anything not a number.
bool readEntry(QByteArrayView entry, int *value)
{
    bool ok = false;
    *value = parseSignedInt(entry, &ok);
    return ok;
}

// The tag of an entry's rows: the entry without signs; a view of the entry's bytes when it has no sign.
QByteArray withoutSigns(QByteArrayView entry)
{
    if (!entry.contains('-') && !entry.contains('+'))
        return QByteArray::fromRawData(entry.data(), entry.size());
    QByteArray key = entry.toByteArray();
    key.replace('-', QByteArray()).replace('+', QByteArray());
    return key;
}

} // namespace

struct ChangeMerge::Holds
{
    // Repainting of both lists is held back until the whole list is merged.
    explicit Holds(const MergeTargets &t) : latest(*t.latest), files(*t.files) {}
    const LatestListModel::Batch latest;
    const LatestListModel::Batch files;
};

ChangeMerge::ChangeMerge(Catalogue &cat, int c, MergeTargets targets, MergeSettings settings)
    : m_catalogue(cat), m_category(c), m_targets(std::move(targets)), m_settings(settings)
{
    m_valid = cat.isValid(c) && cat.categories[size_t(c)].items;
    if (!m_valid)
        return;
    Category &category = cat.categories[size_t(c)];
    // Rewritten records are no longer any version a server holds.
    category.held.reset();
    // Picks looked up by hash: a change list may name every picture of the category.
    if (settings.personalZone)
        m_picks = QSet<QByteArray>(category.selection.cbegin(), category.selection.cend());
    m_holds = std::make_unique<Holds>(m_targets);
}

ChangeMerge::ChangeMerge(Catalogue &cat, int c, QList<QByteArray> entries, MergeTargets targets, MergeSettings settings)
    : ChangeMerge(cat, c, std::move(targets), settings)
{
    m_entries = std::move(entries);
    m_total = m_entries.size();
    m_keys.reserve(m_total);
    if (settings.keepAtMost < 0)
        m_announced.reserve(m_total); // growing would move all announcements made so far, again and again
}

ChangeMerge::ChangeMerge(Catalogue &cat, int c, const QByteArray &changeList, MergeTargets targets, MergeSettings settings)
    : ChangeMerge(cat, c, std::move(targets), settings)
{
    m_line = changeList;
    m_cursor = 0;
    // The last part is always an entry, so an empty list is one empty entry. "," is never the second
    // byte of a GBK character. Room is only reserved here: its pages are touched slice by slice.
    m_total = 1 + m_line.count(',');
    m_entries.reserve(m_total);
    m_keys.reserve(m_total);
    if (settings.keepAtMost < 0)
        m_announced.reserve(m_total);
}

ChangeMerge::~ChangeMerge() = default;

bool ChangeMerge::prepare(const QElapsedTimer &clock, int budgetMs)
{
    // Each entry's tag (empty for entries that are no number): the lists look for them all at once,
    // each tag once, as a list may name a few pictures hundreds of thousands of times.
    for (; m_prepared < m_total; ++m_prepared) {
        if (budgetMs > 0 && m_prepared % 1024 == 1023 && clock.elapsed() >= budgetMs)
            return false;
        if (m_cursor >= 0) {
            const char *base = m_line.constData();
            const void *comma = std::memchr(base + m_cursor, ',', size_t(m_line.size() - m_cursor));
            const qsizetype stop = comma ? static_cast<const char *>(comma) - base : m_line.size();
            m_entries.append(QByteArray::fromRawData(base + m_cursor, stop - m_cursor));
            m_cursor = stop + 1;
        }
        const QByteArrayView entry = trimmedBlanks(m_entries[m_prepared]);
        int value = 0;
        if (entry.isEmpty() || !readEntry(entry, &value)) {
            m_keys.append(QByteArray());
            continue;
        }
        const QByteArray key = withoutSigns(entry);
        m_keys.append(key);
        if (!m_seen.contains(key)) {
            m_seen.insert(key);
            m_distinct.append(key);
        }
    }
    m_targets.latest->expectRemovals(m_distinct);
    m_targets.files->expectRemovals(m_distinct);
    m_seen = {};
    m_distinct = {};
    return true;
}

bool ChangeMerge::step(qsizetype count, int budgetMs)
{
    if (!m_valid)
        return true;
    QElapsedTimer clock;
    clock.start();
    if (m_prepared < m_total || (m_next == 0 && m_total == 0)) {
        if (!prepare(clock, budgetMs))
            return false;
    }
    const qsizetype end = qMin(m_total, m_next + qMax<qsizetype>(count, 1));
    while (m_next < end) {
        mergeEntry(m_next++);
        if (budgetMs > 0 && m_next % 256 == 0 && clock.elapsed() >= budgetMs)
            break;
    }
    if (m_next < m_total)
        return false;
    m_holds.reset(); // the lists settle and are shown again
    return true;
}

void ChangeMerge::mergeEntry(qsizetype i)
{
    Category &category = m_catalogue.categories[size_t(m_category)];
    const QByteArrayView entry = trimmedBlanks(m_entries[i]);
    int value = 0;
    if (m_keys[i].isEmpty() || !readEntry(entry, &value))
        return;
    const qsizetype index = value < 0 ? -qsizetype(value) : qsizetype(value);
    if (!category.items->contains(index))
        return;
    const PictureRecord old = PictureRecord::parse(category.items->at(index));
    if (old.caption)
        return;
    // id, TAB, file name | Chinese name | the new time; fields after the time are dropped.
    static const QByteArray withdrawn("-1");
    const QByteArray &time = value < 1 ? withdrawn : category.updateTime;
    QByteArray text;
    text.reserve(old.id.size() + old.fileName.size() + old.chineseName.size() + time.size() + 3);
    text.append(old.id).append('\t').append(old.fileName).append('|').append(old.chineseName).append('|').append(time);
    category.items->set(index, text);
    if (m_targets.rewritten)
        m_targets.rewritten(index, text);

    m_targets.latest->removeFirstWithTag(m_keys[i]);
    m_targets.files->removeFirstWithTag(m_keys[i]);
    if (entry.startsWith('-'))
        return;

    const PictureRecord now = PictureRecord::parse(category.items->at(index));
    if (!m_settings.personalZone || m_picks.contains(QByteArray::fromRawData(now.fileName.data(), now.fileName.size())))
        announce(index, now, time);
    m_targets.latest->trimTo(kLatestListKeep);
}

void ChangeMerge::announce(qsizetype index, const PictureRecord &now, const QByteArray &time)
{
    Announcement a;
    a.index = index;
    if (m_settings.autoQueue) {
        m_catalogue.markTaken(m_category, index);
        a.queued = true;
    }
    // The time as read back (a broken GBK name can shift the fields), shared when it is the one written.
    a.row = {now.fileName.toByteArray(), now.chineseName.toByteArray(),
             now.time == QByteArrayView(time) ? time : now.time.toByteArray(),
             m_catalogue.isTaken(m_category, index) ? markText() : QByteArray(),
             now.id.toByteArray()}; // its own bytes: the row outlives the change list
    m_targets.latest->insertTop(a.row);
    m_targets.files->insertTop(a.row);
    if (m_settings.keepAtMost < 0 || m_announced.size() < m_settings.keepAtMost)
        m_announced.append(std::move(a));
    ++m_announcedCount;
}

QList<Announcement> applyChanges(Catalogue &cat, int c, const QList<QByteArray> &entries, const MergeTargets &targets,
                                 MergeSettings settings)
{
    ChangeMerge merge(cat, c, entries, targets, settings);
    merge.step(entries.size());
    return merge.takeAnnouncements();
}

} // namespace kestrin
