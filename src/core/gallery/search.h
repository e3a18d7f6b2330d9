#pragma once
#include "core/catalogue/latest_rows.h"

#include <QList>
#include <QString>

namespace kestrin {

class RecordList;

// What was typed, without blanks and control characters at either end.
QString trimmedTyped(const QString &typed);
// The search text of an edit box: trimmed, in GBK.
QByteArray searchText(const QString &typed);

// Positions of the records that match text: pictures whose file name is text, or whose Chinese name
// holds text as characters (a match never starts in the middle of a character). Caption rows never
// match; withdrawn pictures do. firstOnly: stop at the first match.
QList<qsizetype> searchRecords(const RecordList &items, QByteArrayView text, bool firstOnly = false);

// Whether one record matches: what the selection editor paints red for the last search.
bool recordMatches(QByteArrayView record, QByteArrayView text);

// The file page's result rows: pictures only, none withdrawn, each with its record id.
QList<LatestRow> searchResultRows(const RecordList &results);

} // namespace kestrin
