#include "core/download/file_list.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/records.h"

#include <algorithm>
#include <cstring>

namespace kestrin {

namespace {

uchar folded(char c)
{
    const uchar u = uchar(c);
    return u >= 'a' && u <= 'z' ? uchar(u - 'a' + 'A') : u;
}

// A column's text in up to three pieces: the caption is compared without being put together (the
// file list's order compares rows by the million).
struct Pieces
{
    QByteArrayView part[3];
};

Pieces columnText(const LatestRow &row, int column)
{
    switch (column) {
    case 0: return {{row.fileName, "  ", row.chineseName}};
    case 1: return {{row.time}};
    case 2: return {{row.mark}};
    default: return {{row.tag}};
    }
}

// compareFolded over the pieces taken as one text.
int compareFolded(const Pieces &a, const Pieces &b)
{
    int i = 0, j = 0;
    qsizetype x = 0, y = 0;
    while (true) {
        while (i < 3 && x == a.part[i].size())
            ++i, x = 0;
        while (j < 3 && y == b.part[j].size())
            ++j, y = 0;
        if (i == 3 || j == 3)
            return i == j ? 0 : (i == 3 ? -1 : 1);
        const uchar c = folded(a.part[i][x++]), d = folded(b.part[j][y++]);
        if (c != d)
            return c < d ? -1 : 1;
    }
}

} // namespace

int compareFolded(QByteArrayView a, QByteArrayView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    qsizetype i = 0;
    // Bytes alike fold alike: the common start (all of a time but the minutes) is passed eight at a time.
    while (i + 8 <= n && std::memcmp(a.data() + i, b.data() + i, 8) == 0)
        i += 8;
    for (; i < n; ++i) {
        const uchar x = folded(a[i]), y = folded(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool fileRowBefore(const LatestRow &a, const LatestRow &b, int column)
{
    const Pieces x = columnText(b, column), y = columnText(a, column);
    return (column == 0 ? compareFolded(x, y) : compareFolded(x.part[0], y.part[0])) < 0;
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
