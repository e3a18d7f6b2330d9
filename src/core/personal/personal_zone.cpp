#include "core/personal/personal_zone.h"

#include "core/catalogue/catalogue.h"
#include "core/gallery/navigation.h"
#include "core/gallery/search.h"

namespace kestrin {

namespace {

MarkList &ticks(Catalogue &cat, int c)
{
    std::optional<MarkList> &marks = cat.categories[size_t(c)].ticked;
    if (!marks)
        marks = MarkList(cat.items(c).size());
    return *marks;
}

} // namespace

void ticksFromSelection(Catalogue &cat, int c)
{
    if (!cat.isValid(c))
        return;
    MarkList &marks = ticks(cat, c);
    marks.fill(cat.items(c).size(), false);
    const int current = cat.current;
    cat.current = c; // names are looked up in the category the editor shows
    for (const QByteArray &name : cat.categories[size_t(c)].selection) {
        const qsizetype index = cat.findItemByName(name);
        if (index >= 0)
            marks.set(index);
    }
    cat.current = current;
}

void setAllTicks(Catalogue &cat, int c, bool ticked)
{
    if (cat.isValid(c))
        ticks(cat, c).fill(cat.items(c).size(), ticked);
}

void toggleTick(Catalogue &cat, int c, qsizetype id)
{
    if (!cat.isValid(c) || id < 0 || id >= cat.items(c).size())
        return;
    MarkList &marks = ticks(cat, c);
    marks.set(id, !marks.isMarked(id));
}

bool isTicked(const Catalogue &cat, int c, qsizetype id)
{
    return cat.isValid(c) && cat.categories[size_t(c)].ticked && cat.categories[size_t(c)].ticked->isMarked(id);
}

void selectionFromTicks(Catalogue &cat, int c)
{
    if (!cat.isValid(c))
        return;
    QList<QByteArray> names;
    const RecordList &items = cat.items(c);
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (isTicked(cat, c, i))
            names.append(recordFileName(items.at(i)).toByteArray());
    }
    cat.categories[size_t(c)].selection = names;
}

void clearSelections(Catalogue &cat)
{
    for (Category &c : cat.categories)
        c.selection.clear();
}

CellLook editorCellLook(QByteArrayView record, bool ticked, QByteArrayView lastSearch)
{
    if (record.isEmpty())
        return {};
    CellLook look = recordLook(PictureRecord::parse(record), PictureTone::Grey, false);
    if (look.kind != CellLook::Picture)
        return look;
    look.tone = ticked ? PictureTone::Red : PictureTone::Black;
    look.bold = look.ticked = ticked;
    if (recordMatches(record, lastSearch))
        look.tone = PictureTone::Red;
    return look;
}

QList<navigation::BarEntry> zoneEntries()
{
    using navigation::BarAction;
    return {{QStringLiteral("增减我的图片"), 0, 10, 90, false, false, BarAction::SelectModify},
            {QStringLiteral("全部清除"), 0, 110, 60, false, false, BarAction::SelectClear},
            {QStringLiteral("提交修改"), 1, 180, 60, false, false, BarAction::SelectSubmit},
            {QStringLiteral("取消返回"), 2, 260, 60, false, false, BarAction::SelectReturn}};
}

} // namespace kestrin
