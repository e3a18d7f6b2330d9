#include "core/gallery/navigation.h"

#include "core/catalogue/gbk.h"

namespace kestrin::navigation {

QList<BarEntry> pageEntries(qsizetype recordCount)
{
    const qsizetype pages = recordCount / kPageSize + (recordCount % kPageSize != 0 ? 1 : 0);
    QList<BarEntry> entries;
    entries.reserve(pages + 1);
    entries.append({QStringLiteral("全部"), 0, 10, 45, true, true, BarAction::ShowPage});
    for (qsizetype p = 1; p <= pages; ++p)
        entries.append({QStringLiteral("第%1页").arg(p), int(p), int(48 * p + 10), 45, true, false, BarAction::ShowPage});
    return entries;
}

std::optional<RecordList> pageRecords(const RecordList &items, int page)
{
    if (page < 1)
        return items;
    const qsizetype from = qsizetype(page - 1) * kPageSize;
    if (from >= items.size())
        return std::nullopt;
    return items.mid(from, kPageSize);
}

int captionWidth(const QString &caption)
{
    const qsizetype bytes = gbk::byteLength(caption);
    return int(bytes / 2 + bytes % 2) * 15;
}

QList<ButtonPlace> categoryButtonPlaces(const QStringList &captions)
{
    QList<ButtonPlace> places;
    int left = 5;
    for (const QString &caption : captions) {
        const int width = captionWidth(caption);
        places.append({left, width});
        left += 5 + width;
    }
    return places;
}

CategoryClick categoryClick(int tag, int count, int current, int currentPage)
{
    if (tag >= count)
        return CategoryClick::ToggleZone;
    if (tag == current && currentPage != kSearchPage)
        return CategoryClick::Ignore;
    return CategoryClick::Switch;
}

} // namespace kestrin::navigation
