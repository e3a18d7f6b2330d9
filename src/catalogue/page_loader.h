#pragma once
#include "catalogue/record_list.h"

#include <QByteArray>
#include <QList>

namespace kestrin {

struct Catalogue;
class Prompts;
class Lifecycle;

inline constexpr int kPageTimeoutMs = 30000;

struct PageFile
{
    RecordList items;         // line 0 split at ","
    QList<QByteArray> latest; // line 1 split at ","
};

// A page body with fewer than two lines is treated as a failed request.
bool parsePageFile(const QByteArray &body, PageFile &page);

// Stores a page into category n: records and latest entries replaced, marks created on the first
// load and kept afterwards.
void applyPage(Catalogue &cat, int n, PageFile page);
// Stores the first four change-file lines into category n's bookkeeping; missing lines count as empty,
// a serial that is not a number leaves the serial as it was.
void applyChangeLines(Catalogue &cat, int n, const QList<QByteArray> &lines);

// Loads category n from the current server; true when the page arrived (the change file was then read
// too). Refills no view.
bool LoadCatePage(Catalogue &cat, int n, Prompts &prompts, Lifecycle &life);

} // namespace kestrin
