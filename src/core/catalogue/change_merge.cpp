#include "core/catalogue/change_merge.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/gbk.h"
#include "core/catalogue/latest_list_model.h"
#include "core/catalogue/records.h"

#include <QSet>

namespace kestrin {

namespace {

// A change entry's record index and sign; false for blanks and anything not a number.
bool readEntry(QByteArrayView entry, int *value)
{
    bool ok = false;
    *value = parseSignedInt(entry, &ok);
    return ok;
}

// The tag of an entry's rows: the entry without signs; raw itself when it has no blanks and no sign.
QByteArray withoutSigns(const QByteArray &raw, QByteArrayView entry)
{
    if (entry.size() == raw.size() && !entry.contains('-') && !entry.contains('+'))
        return raw;
    QByteArray key = entry.toByteArray();
    key.replace('-', QByteArray()).replace('+', QByteArray());
    return key;
}

} // namespace

QList<Announcement> applyChanges(Catalogue &cat, int c, const QList<QByteArray> &entries, const MergeTargets &targets,
                                 MergeSettings settings)
{
    QList<Announcement> announced;
    if (!cat.isValid(c) || !cat.categories[size_t(c)].items)
        return announced;
    Category &category = cat.categories[size_t(c)];
    // Picks looked up by hash: a change list may name every picture of the category.
    QSet<QByteArray> picks;
    if (settings.personalZone)
        picks = QSet<QByteArray>(category.selection.cbegin(), category.selection.cend());
    const QByteArray withdrawn("-1");
    // Room for every entry at once: growing would move all announcements made so far, again and again.
    announced.reserve(entries.size());
    // Repainting of both lists is held back until the whole list is merged.
    const LatestListModel::Batch holdLatest(*targets.latest);
    const LatestListModel::Batch holdFiles(*targets.files);
    // Each entry's tag (empty for entries that are no number): the lists look for them all at once.
    QList<QByteArray> keys(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QByteArrayView entry = trimmedBlanks(entries[i]);
        int value = 0;
        if (!entry.isEmpty() && readEntry(entry, &value))
            keys[i] = withoutSigns(entries[i], entry);
    }
    targets.latest->expectRemovals(keys);
    targets.files->expectRemovals(keys);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QByteArrayView entry = trimmedBlanks(entries[i]);
        int value = 0;
        if (keys[i].isEmpty() || !readEntry(entry, &value))
            continue;
        const qsizetype index = value < 0 ? -qsizetype(value) : qsizetype(value);
        if (!category.items->contains(index))
            continue;
        const PictureRecord old = PictureRecord::parse(category.items->at(index));
        if (old.caption)
            continue;
        // id, TAB, file name | Chinese name | the new time; fields after the time are dropped.
        const QByteArray &time = value < 1 ? withdrawn : category.updateTime;
        QByteArray text;
        text.reserve(old.id.size() + old.fileName.size() + old.chineseName.size() + time.size() + 3);
        text.append(old.id).append('\t').append(old.fileName).append('|').append(old.chineseName).append('|').append(time);
        category.items->set(index, text);
        if (targets.rewritten)
            targets.rewritten(index, text);

        targets.latest->removeFirstWithTag(keys[i]);
        targets.files->removeFirstWithTag(keys[i]);
        if (entry.startsWith('-'))
            continue;

        const PictureRecord now = PictureRecord::parse(category.items->at(index));
        if (!settings.personalZone || picks.contains(QByteArray::fromRawData(now.fileName.data(), now.fileName.size()))) {
            Announcement a;
            a.index = index;
            if (settings.autoQueue) {
                cat.markTaken(c, index);
                a.queued = true;
            }
            // The time as read back (a broken GBK name can shift the fields), shared when it is the one written.
            a.row = {now.fileName.toByteArray(), now.chineseName.toByteArray(),
                     now.time == QByteArrayView(time) ? time : now.time.toByteArray(),
                     cat.isTaken(c, index) ? markText() : QByteArray(),
                     now.id == QByteArrayView(keys[i]) ? keys[i] : now.id.toByteArray()};
            targets.latest->insertTop(a.row);
            targets.files->insertTop(a.row);
            announced.append(std::move(a));
        }
        targets.latest->trimTo(kLatestListKeep);
    }
    return announced;
}

} // namespace kestrin
