#include "core/download/file_list.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/records.h"

#include <algorithm>

namespace kestrin {

namespace {

uchar folded(char c)
{
    const uchar u = uchar(c);
    return u >= 'a' && u <= 'z' ? uchar(u - 'a' + 'A') : u;
}

QByteArray columnText(const LatestRow &row, int column)
{
    switch (column) {
    case 0: return row.caption();
    case 1: return row.time;
    case 2: return row.mark;
    default: return row.tag;
    }
}

} // namespace

int compareFolded(QByteArrayView a, QByteArrayView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const uchar x = folded(a[i]), y = folded(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool fileRowBefore(const LatestRow &a, const LatestRow &b, int column)
{
    return compareFolded(columnText(b, column), columnText(a, column)) < 0;
}

PictureTone takenTone(const Catalogue &cat, int category, const LatestRow &row)
{
    bool ok = false;
    const int id = parseSignedInt(row.tag, &ok);
    return ok && cat.isTaken(category, id) ? PictureTone::Red : PictureTone::Blue;
}

QList<QByteArray> filterPresentKeys(const QList<QByteArray> &selection, const QList<QByteArray> &latest)
{
    QList<QByteArray> kept;
    for (const QByteArray &s : selection) {
        if (!s.isEmpty() && latest.contains(s))
            kept.append(s);
    }
    return kept;
}

QList<LatestRow> rebuildFileRows(const Catalogue &cat, const QList<QByteArray> &keys, bool personalZone)
{
    QList<LatestRow> rows;
    const int c = cat.current;
    for (const QByteArray &key : keys) {
        if (trimmedBlanks(key).isEmpty())
            continue;
        const qsizetype index = cat.findItemByName(key);
        if (index < 0)
            continue;
        const PictureRecord rec = PictureRecord::parse(cat.items(c).at(index));
        if (rec.caption)
            continue;
        const QByteArray caption = displayName(rec.fileName, rec.chineseName);
        rows.erase(std::remove_if(rows.begin(), rows.end(), [&](const LatestRow &r) { return r.caption() == caption; }),
                   rows.end());
        if (personalZone && !cat.categories[size_t(c)].selection.contains(key))
            continue;
        const int id = rec.idNumber();
        rows.prepend({rec.fileName.toByteArray(), rec.chineseName.toByteArray(), rec.time.toByteArray(),
                      cat.isTaken(c, id) ? markText() : QByteArray(), rec.id.toByteArray()});
    }
    return rows;
}

} // namespace kestrin
