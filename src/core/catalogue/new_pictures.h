#pragma once
#include "core/catalogue/record_list.h"

#include <QList>
#include <QSet>

namespace kestrin {

// The pictures a reload brought that the copy held before did not show: records beyond the old ones
// and records whose text changed. Withdrawn pictures and caption rows are not new pictures. In index
// order; when only is given, just the pictures whose file name it holds.
QList<qsizetype> newPictures(const RecordList &before, const RecordList &after, const QSet<QByteArray> *only = nullptr);

} // namespace kestrin
