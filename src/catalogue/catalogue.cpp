#include "catalogue/catalogue.h"

#include "catalogue/gbk.h"
#include "catalogue/records.h"

#include <QHash>

namespace kestrin {

void Catalogue::size(int n)
{
    const size_t count = size_t(n > 0 ? n : 0);
    CateItems.assign(count, std::nullopt);
    CateLatest.assign(count, std::nullopt);
    CateStatus.assign(count, std::nullopt);
    CateSelMarks.assign(count, std::nullopt);
    CateSelect.assign(count, QList<QByteArray>());
    CateSerials.assign(count, 0);
    CateUpdateTimes.assign(count, QByteArray());
    CateChanges.assign(count, std::nullopt);
    CateFolders.assign(count, QByteArray());
    CateExts.assign(count, QByteArray());
}

const RecordList &Catalogue::items(int c) const
{
    static const RecordList empty;
    if (c < 0 || size_t(c) >= CateItems.size() || !CateItems[size_t(c)])
        return empty;
    return *CateItems[size_t(c)];
}

QList<QByteArray> Catalogue::latest(int c) const
{
    if (c < 0 || size_t(c) >= CateLatest.size() || !CateLatest[size_t(c)])
        return {};
    return *CateLatest[size_t(c)];
}

QList<QByteArray> Catalogue::changes(int c) const
{
    if (c < 0 || size_t(c) >= CateChanges.size() || !CateChanges[size_t(c)])
        return {};
    return *CateChanges[size_t(c)];
}

bool Catalogue::isMarked(int c, qsizetype id) const
{
    if (c < 0 || size_t(c) >= CateStatus.size() || !CateStatus[size_t(c)])
        return false;
    return CateStatus[size_t(c)]->isMarked(id);
}

void Catalogue::setMark(int c, qsizetype id)
{
    if (c < 0 || size_t(c) >= CateStatus.size())
        return;
    auto &marks = CateStatus[size_t(c)];
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

QByteArray Catalogue::GetItemName(qsizetype index) const
{
    const RecordList &list = items(CurCate);
    if (!list.contains(index))
        return {};
    return recordFileName(list.at(index)).toByteArray();
}

qsizetype Catalogue::FindItemByName(QByteArrayView name) const
{
    const RecordList &list = items(CurCate);
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (recordFileName(list.at(i)) == name)
            return i;
    }
    return -1;
}

std::optional<RecordList> Catalogue::BuildSelectRecords(int category, const QList<QByteArray> &names) const
{
    // One pass over the records builds the name index, so m names over n records cost n + m.
    const RecordList &list = items(category);
    QHash<QByteArrayView, qsizetype> firstIndex; // views into list, which outlives the map
    firstIndex.reserve(list.size());
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QByteArrayView name = recordFileName(list.at(i));
        if (!firstIndex.contains(name))
            firstIndex.insert(name, i);
    }
    RecordList result;
    for (const QByteArray &name : names) {
        if (name.trimmed().isEmpty())
            continue;
        const auto it = firstIndex.constFind(QByteArrayView(name));
        if (it == firstIndex.constEnd())
            return std::nullopt;
        result.appendFrom(list, it.value());
    }
    return result;
}

} // namespace kestrin
