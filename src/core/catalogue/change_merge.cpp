#include "core/catalogue/change_merge.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/gbk.h"
#include "core/catalogue/latest_list_model.h"
#include "core/catalogue/records.h"

namespace kestrin {

namespace {

// A change entry's record index and sign; false for blanks and anything not a number.
bool readEntry(QByteArrayView entry, int *value)
{
    bool ok = false;
    *value = parseSignedInt(entry, &ok);
    return ok;
}

QByteArray withoutSigns(QByteArrayView entry)
{
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
    // Repainting of both lists is held back until the whole list is merged.
    const LatestListModel::Batch holdLatest(*targets.latest);
    const LatestListModel::Batch holdFiles(*targets.files);
    for (const QByteArray &raw : entries) {
        const QByteArrayView entry = trimmedBlanks(raw);
        int value = 0;
        if (entry.isEmpty() || !readEntry(entry, &value))
            continue;
        const qsizetype index = value < 0 ? -qsizetype(value) : qsizetype(value);
        if (!category.items->contains(index))
            continue;
        const PictureRecord old = PictureRecord::parse(category.items->at(index));
        if (old.caption)
            continue;
        // id, TAB, file name | Chinese name | the new time; fields after the time are dropped.
        const QByteArray text = old.id.toByteArray() + '\t' + old.fileName.toByteArray() + '|' +
                                old.chineseName.toByteArray() + '|' + (value < 1 ? QByteArray("-1") : category.updateTime);
        category.items->set(index, text);
        if (targets.rewritten)
            targets.rewritten(index, text);

        const QByteArray key = withoutSigns(entry);
        targets.latest->removeFirstWithTag(key);
        targets.files->removeFirstWithTag(key);
        if (entry.startsWith('-'))
            continue;

        const PictureRecord now = PictureRecord::parse(category.items->at(index));
        if (!settings.personalZone || category.selection.contains(now.fileName.toByteArray())) {
            Announcement a;
            a.index = index;
            if (settings.autoQueue) {
                cat.markTaken(c, index);
                a.queued = true;
            }
            a.row = {now.fileName.toByteArray(), now.chineseName.toByteArray(), now.time.toByteArray(),
                     cat.isTaken(c, index) ? markText() : QByteArray(), now.id.toByteArray()};
            targets.latest->insertTop(a.row);
            targets.files->insertTop(a.row);
            announced.append(a);
        }
        targets.latest->trimTo(kLatestListKeep);
    }
    return announced;
}

} // namespace kestrin
