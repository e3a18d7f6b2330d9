#include "core/gallery/search.h"

#include "core/catalogue/gbk.h"
#include "core/catalogue/record_list.h"
#include "core/catalogue/records.h"

namespace kestrin {

QString trimmedTyped(const QString &typed)
{
    qsizetype begin = 0, end = typed.size();
    const auto blank = [](QChar c) { return c.unicode() <= 0x20 || c.unicode() == 0x7F; };
    while (begin < end && blank(typed[begin]))
        ++begin;
    while (end > begin && blank(typed[end - 1]))
        --end;
    return typed.mid(begin, end - begin);
}

QByteArray searchText(const QString &typed) { return gbk::encode(trimmedTyped(typed)); }

bool recordMatches(QByteArrayView record, QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    const PictureRecord rec = PictureRecord::parse(record);
    if (rec.caption)
        return false;
    if (rec.fileName == text)
        return true;
    // Searched character by character: the bytes of one character and the next never make a match.
    // Most names do not hold the bytes at all, which a plain byte search tells at once.
    return rec.chineseName.indexOf(text) >= 0 && gbk::indexOf(rec.chineseName, text) >= 0;
}

QList<qsizetype> searchRecords(const RecordList &items, QByteArrayView text, bool firstOnly)
{
    QList<qsizetype> found;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (recordMatches(items.at(i), text)) {
            found.append(i);
            if (firstOnly)
                break;
        }
    }
    return found;
}

QList<LatestRow> searchResultRows(const RecordList &results)
{
    QList<LatestRow> rows;
    if (results.isEmpty() || trimmedBlanks(results.at(0)).isEmpty())
        return rows;
    for (qsizetype i = 0; i < results.size(); ++i) {
        const QByteArrayView text = results.at(i);
        if (trimmedBlanks(text).isEmpty())
            continue;
        const PictureRecord rec = PictureRecord::parse(text);
        if (rec.caption || rec.withdrawn())
            continue;
        rows.append({rec.fileName.toByteArray(), rec.chineseName.toByteArray(), rec.time.toByteArray(), {},
                     rec.id.toByteArray()});
    }
    return rows;
}

} // namespace kestrin
