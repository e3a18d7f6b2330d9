#pragma once
#include "core/catalogue/latest_rows.h"

#include <QList>

namespace kestrin {

struct Catalogue;

// The file list's order: texts compared byte by byte with the ASCII letters a to z taken as upper
// case; a text that starts another is the smaller. Negative, zero or positive as for strcmp.
int compareFolded(QByteArrayView a, QByteArrayView b);
// The file list is sorted descending by one column (0 file name, 1 time, 2 mark, 3 record id):
// whether a goes before b. A row without the column's text counts as empty.
bool fileRowBefore(const LatestRow &a, const LatestRow &b, int column);

// Search results and queued pictures: red once the picture is taken in its category, else blue.
PictureTone takenTone(const Catalogue &cat, int category, const LatestRow &row);

// The hidden option "只显示存在的图片": the entries of selection that also stand, as text, among the
// latest entries.
QList<QByteArray> filterPresentKeys(const QList<QByteArray> &selection, const QList<QByteArray> &latest);
// The file list made again from keys taken as file names of the current category, each row put on top;
// in the personal zone only keys of the selection make rows.
QList<LatestRow> rebuildFileRows(const Catalogue &cat, const QList<QByteArray> &keys, bool personalZone);

} // namespace kestrin
