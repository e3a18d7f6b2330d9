// The zone's ticks, picks and editor look, without a window.
#include "core/catalogue/catalogue.h"
#include "core/personal/personal_zone.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using kestrin::test::g;

namespace {

Catalogue category(const QList<QByteArray> &records)
{
    Catalogue cat;
    cat.reset({{"c", "f", ".jpg"}});
    cat.categories[0].items = RecordList::fromList(records);
    return cat;
}

} // namespace

TEST(PersonalZone, TicksComeFromTheSelectionAndSubmitInRecordOrder)
{
    Catalogue cat = category({"0\t" + g("标题"), "1\tx|a|t", "2\ty|b|t", "3\tz|c|-1"});
    cat.categories[0].selection = {"z", "gone", "x"};
    ticksFromSelection(cat, 0);
    EXPECT_TRUE(isTicked(cat, 0, 1) && isTicked(cat, 0, 3));
    EXPECT_FALSE(isTicked(cat, 0, 2));
    toggleTick(cat, 0, 2);
    toggleTick(cat, 0, 3);
    toggleTick(cat, 0, 3); // twice: as before
    toggleTick(cat, 0, 99);
    selectionFromTicks(cat, 0);
    EXPECT_EQ(cat.categories[0].selection, (QList<QByteArray>{"x", "y", "z"}));
    setAllTicks(cat, 0, false);
    selectionFromTicks(cat, 0);
    EXPECT_TRUE(cat.categories[0].selection.isEmpty());
    cat.categories[0].selection = {"x"};
    clearSelections(cat);
    EXPECT_TRUE(cat.categories[0].selection.isEmpty());
}

TEST(PersonalZone, TheEditorPaintsTicksMatchesAndCaptions)
{
    const QByteArray picture = "1\ta01|" + g("图一") + "|t";
    const struct
    {
        QByteArray record;
        bool ticked;
        QByteArray search;
        PictureTone tone;
        bool bold;
    } cases[] = {
        {picture, false, "", PictureTone::Black, false},
        {picture, true, "", PictureTone::Red, true},
        {picture, false, "a01", PictureTone::Red, false},
        {picture, false, g("一"), PictureTone::Red, false},
        {picture, false, "a0", PictureTone::Black, false},
        {"1\ta|b|-1", false, "", PictureTone::Black, false}, // withdrawn pictures like the others
        {"0\t" + g("标题"), true, g("标题"), PictureTone::Grey, false},
    };
    for (const auto &c : cases) {
        const CellLook look = editorCellLook(c.record, c.ticked, c.search);
        EXPECT_EQ(look.tone, c.tone) << c.record.constData() << " " << c.search.constData();
        EXPECT_EQ(look.bold, c.bold) << c.record.constData();
    }
    const QList<navigation::BarEntry> buttons = zoneEntries();
    ASSERT_EQ(buttons.size(), 4);
    EXPECT_EQ(buttons[0].caption, QString::fromUtf8("增减我的图片"));
    EXPECT_EQ(buttons[3].left, 260);
    EXPECT_FALSE(buttons[2].checkable);
}
