#include "core/catalogue/new_pictures.h"

#include "core/catalogue/records.h"

namespace kestrin {

QList<qsizetype> newPictures(const RecordList &before, const RecordList &after, const QSet<QByteArray> *only)
{
    QList<qsizetype> found;
    for (qsizetype i = 0; i < after.size(); ++i) {
        const QByteArrayView now = after.at(i);
        if (i < before.size() && before.at(i) == now)
            continue;
        const PictureRecord record = PictureRecord::parse(now);
        if (record.caption || record.withdrawn() || record.fileName.isEmpty())
            continue;
        if (only && !only->contains(record.fileName.toByteArray()))
            continue;
        found.append(i);
    }
    return found;
}

} // namespace kestrin
