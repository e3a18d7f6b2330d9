#include "core/catalogue/catalogue.h"

#include "core/catalogue/gbk.h"
#include "core/catalogue/records.h"

#include <QHash>

namespace kestrin {

void Catalogue::reset(const QList<CategoryEntry> &entries)
{
    categories.clear();
    categories.resize(size_t(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i)
        categories[size_t(i)].entry = entries[i];
}

QString Catalogue::pictureFolderUrl(int c) const
{
    const QByteArray folder = isValid(c) ? categories[size_t(c)].entry.folder : QByteArray();
    return baseUrl() + QString::fromLatin1(folder.toPercentEncoding("/")) + u'/';
}

const RecordList &Catalogue::items(int c) const
{
    static const RecordList empty;
    if (!isValid(c) || !categories[size_t(c)].items)
        return empty;
    return *categories[size_t(c)].items;
}

QList<QByteArray> Catalogue::latest(int c) const
{
    if (!isValid(c) || !categories[size_t(c)].latest)
        return {};
    return *categories[size_t(c)].latest;
}

QList<QByteArray> Catalogue::changes(int c) const
{
    if (!isValid(c) || !categories[size_t(c)].changeList)
        return {};
    return splitString(*categories[size_t(c)].changeList, ",");
}

bool Catalogue::isTaken(int c, qsizetype id) const
{
    if (!isValid(c) || !categories[size_t(c)].taken)
        return false;
    return categories[size_t(c)].taken->isMarked(id);
}

void Catalogue::markTaken(int c, qsizetype id)
{
    if (!isValid(c) || id < 0 || id >= items(c).size())
        return;
    auto &marks = categories[size_t(c)].taken;
    if (!marks)
        marks = MarkList(items(c).size());
    marks->set(id);
}

QByteArrayView recordFileName(QByteArrayView record)
{
    const qsizetype tab = record.indexOf('\t');
    const QByteArrayView rest = tab < 0 ? QByteArrayView() : record.sliced(tab + 1);
    const qsizetype bar = gbk::indexOf(rest, "|");
    return bar < 0 ? rest : rest.first(bar);
}

QByteArray Catalogue::itemName(qsizetype index) const
{
    const RecordList &list = items(current);
    if (!list.contains(index))
        return {};
    return recordFileName(list.at(index)).toByteArray();
}

qsizetype Catalogue::findItemByName(QByteArrayView name) const
{
    const RecordList &list = items(current);
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (recordFileName(list.at(i)) == name)
            return i;
    }
    return -1;
}

std::optional<RecordList> Catalogue::buildSelectRecords(int c, const QList<QByteArray> &names) const
{
    // One pass over the records builds the name index, so m names over n records cost n + m.
    const RecordList &list = items(c);
    QHash<QByteArrayView, qsizetype> firstIndex; // views into list, which outlives the map
    firstIndex.reserve(list.size());
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QByteArrayView name = recordFileName(list.at(i));
        if (!firstIndex.contains(name))
            firstIndex.insert(name, i);
    }
    RecordList result;
    for (const QByteArray &name : names) {
        if (trimmedBlanks(name).isEmpty())
            continue;
        const auto it = firstIndex.constFind(QByteArrayView(name));
        if (it == firstIndex.constEnd())
            return std::nullopt;
        result.appendFrom(list, it.value());
    }
    return result;
}

} // namespace kestrin
