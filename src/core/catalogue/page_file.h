#pragma once
#include "core/catalogue/record_list.h"

#include <QByteArray>
#include <QList>

namespace kestrin {

struct Catalogue;

// "/kq/Page<n>.dat": line 0 the records joined by ",", line 1 the latest entries joined by ",".
struct PageFile
{
    RecordList items;
    QList<QByteArray> latest;
};

// A page body with fewer than two lines is treated as a failed request.
bool parsePageFile(const QByteArray &body, PageFile &page);

// Stores a page into category c: records and latest entries replaced, marks created on the first load
// and kept afterwards.
void applyPage(Catalogue &cat, int c, PageFile page);
// Stores the first four change-file lines into category c's bookkeeping; missing lines count as empty,
// a serial that is not a number leaves the serial as it was. No lines: nothing changes.
void applyChangeLines(Catalogue &cat, int c, const QList<QByteArray> &lines);

} // namespace kestrin
