#include "core/catalogue/latest_rows.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/records.h"

#include <QHash>
#include <algorithm>

namespace kestrin {

namespace {

struct Usable
{
    qsizetype index = -1;
    PictureRecord record;
};

// The record an entry points at, if it is one that can be listed.
bool resolve(const RecordList &items, QByteArrayView entry, Usable &out)
{
    if (entry.isEmpty())
        return false;
    bool ok = false;
    const int value = parseSignedInt(entry, &ok);
    if (!ok)
        return false;
    const qsizetype index = value < 0 ? -qsizetype(value) : qsizetype(value);
    if (!items.contains(index))
        return false;
    out.index = index;
    out.record = PictureRecord::parse(items.at(index));
    return !out.record.caption;
}

} // namespace

LatestRows latestRows(const Catalogue &cat, const QList<QByteArray> &entries, bool personalZone)
{
    LatestRows rows;
    const int c = cat.current;
    if (!cat.isValid(c))
        return rows;
    const RecordList &items = cat.items(c);
    const auto add = [&](const Usable &u, const QByteArray &topTag, qsizetype listMarkId, const QByteArray &listTag) {
        const QByteArray file = u.record.fileName.toByteArray();
        const QByteArray name = u.record.chineseName.toByteArray();
        const QByteArray time = u.record.time.toByteArray();
        // The latest list shows the newest rows: entries run oldest first, so a long list drops its head
        // (keeping its first rows instead would hide the very pictures that just arrived).
        rows.top.append({file, name, time, cat.isTaken(c, u.index) ? markText() : QByteArray(), topTag});
        if (rows.top.size() > kLatestListFill)
            rows.top.removeFirst();
        rows.main.append({file, name, time, cat.isTaken(c, listMarkId) ? markText() : QByteArray(), listTag});
    };

    if (!personalZone) {
        for (const QByteArray &e : entries) {
            Usable u;
            if (!resolve(items, e, u))
                continue;
            add(u, e, u.record.idNumber(), u.record.id.toByteArray());
        }
    } else {
        // First usable entry per file name, so each selected name costs one lookup.
        QHash<QByteArray, Usable> byName;
        for (const QByteArray &e : entries) {
            Usable u;
            if (resolve(items, e, u) && !byName.contains(u.record.fileName.toByteArray()))
                byName.insert(u.record.fileName.toByteArray(), u);
        }
        for (const QByteArray &name : cat.categories[size_t(c)].selection) {
            const auto it = byName.constFind(name);
            if (it == byName.constEnd())
                continue;
            const QByteArray id = it->record.id.toByteArray();
            add(*it, id, it->index, id);
        }
    }
    // Every row went in at position 0: the last one made is shown first.
    std::reverse(rows.top.begin(), rows.top.end());
    std::reverse(rows.main.begin(), rows.main.end());
    return rows;
}

PictureTone latestRowTone(const LatestRow &row) { return row.isMarked() ? PictureTone::Red : PictureTone::Blue; }

PictureTone fileRowTone(const LatestRow &row)
{
    if (row.isMarked())
        return PictureTone::Red;
    return row.time.isEmpty() ? PictureTone::Black : PictureTone::Blue;
}

} // namespace kestrin
