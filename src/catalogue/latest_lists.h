#pragma once
#include <QByteArray>
#include <QList>

namespace kestrin {

struct Catalogue;

// One row of the latest-upload list (gallery) or of the file list (file mode), raw GBK texts.
struct LatestRow
{
    QByteArray caption; // file name, two blanks, Chinese name
    QByteArray time;
    QByteArray mark;    // "√" or empty
    QByteArray tag;     // the latest entry as written (gallery, normal mode) or the record id
};

struct LatestRows
{
    QList<LatestRow> top;  // display order, first row first; at most kTopListFill rows
    QList<LatestRow> main;
};

inline constexpr int kTopListFill = 46; // the fill tests "45 or fewer" before each insertion

// The rows FillLatestLists shows for the current category. Each row is inserted at the top, so the
// last entry used stands first. Entries that are empty, not numbers, out of range or caption rows are
// skipped. In personal-zone mode the selected names choose the entries, in selection order.
LatestRows latestRows(const Catalogue &cat, const QList<QByteArray> &entries, bool personalZone);

} // namespace kestrin
