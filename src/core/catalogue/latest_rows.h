#pragma once
#include "core/catalogue/records.h"

#include <QByteArray>
#include <QList>

namespace kestrin {

struct Catalogue;

// One row of the latest-upload list (gallery) or of the file list (file mode), raw GBK texts.
struct LatestRow
{
    QByteArray fileName;
    QByteArray chineseName;
    QByteArray time;
    QByteArray mark; // "√" or empty
    QByteArray tag;  // the latest entry as written (gallery, normal mode) or the record id

    // File name, two blanks, Chinese name: what the row shows.
    QByteArray caption() const { return displayName(fileName, chineseName); }
    bool isMarked() const { return mark == markText(); }
};

struct LatestRows
{
    QList<LatestRow> top;  // display order, first row first; at most kLatestListFill rows
    QList<LatestRow> main;
};

inline constexpr int kLatestListFill = 46; // rows of the latest list: the newest entries

// The rows the latest lists show for the current category. Each row is inserted at the top, so the
// last entry used stands first. Entries that are empty, not numbers, out of range or caption rows are
// skipped. In personal-zone mode the selected names choose the entries, in selection order.
LatestRows latestRows(const Catalogue &cat, const QList<QByteArray> &entries, bool personalZone);

// Text colour of a latest-list row: red once taken, else blue.
PictureTone latestRowTone(const LatestRow &row);
// Text colour of a file-list row: red once taken, blue with a time, black without.
PictureTone fileRowTone(const LatestRow &row);

} // namespace kestrin
