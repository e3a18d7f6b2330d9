// What a grid cell shows and which records can be picked.
#include "core/catalogue/catalogue.h"
#include "core/gallery/picture_grid_model.h"
#include "core/gallery/picture_rules.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using kestrin::test::g;
using kestrin::test::makeRecords;

TEST(PictureRules, EachCellShowsItsPicturesStateAndOnlyPicturesArePicked)
{
    const QByteArray picture = "7\ta01|" + g("图一") + "|2010-04-01 23:35";
    const QByteArray withdrawn = "7\ta01|" + g("图一") + "|-1";
    const QByteArray caption = "0\t" + g("【推荐】");
    const struct
    {
        QByteArray record;
        bool taken, hovered;
        CellLook::Kind kind;
        PictureTone tone;
        bool bold, pickable;
    } cases[] = {
        {picture, false, false, CellLook::Picture, PictureTone::Blue, false, true},
        {picture, true, false, CellLook::Picture, PictureTone::Red, false, true},
        {picture, false, true, CellLook::Picture, PictureTone::Red, false, true},
        {withdrawn, true, true, CellLook::Picture, PictureTone::Black, false, false},
        {caption, false, false, CellLook::Caption, PictureTone::Red, true, false},
        {"", false, true, CellLook::Empty, PictureTone::Blue, false, false},
        {"3\ta|b|2010-1-1", false, false, CellLook::Picture, PictureTone::Blue, false, true}, // ends in "-1", not withdrawn
    };
    for (const auto &c : cases) {
        const CellLook look = gridCellLook(c.record, c.taken, c.hovered);
        EXPECT_EQ(look.kind, c.kind) << c.record.constData();
        EXPECT_EQ(look.tone, c.tone) << c.record.constData() << c.taken << c.hovered;
        EXPECT_EQ(look.bold, c.bold) << c.record.constData();
        EXPECT_EQ(canPick(c.record), c.pickable) << c.record.constData();
    }
    EXPECT_EQ(gridCellLook(picture, false, false).text, QString::fromUtf8("a01  图一"));
    EXPECT_EQ(gridCellLook(caption, false, false).text, QString::fromUtf8("【推荐】"));

    // A megabyte record is cut before it is laid out.
    const CellLook huge = gridCellLook("1\t" + QByteArray(3 << 20, 'x') + "|" + g("图") + "|t", false, false);
    EXPECT_LT(huge.text.size(), 2000);
    EXPECT_TRUE(huge.text.startsWith("xxx") && huge.text.contains(QChar(0x2026)));
}

TEST(PictureGridModel, FourToARowNeverFewerThanOneRowAndKnowsItsCategory)
{
    PictureGridModel model;
    model.fill(2, RecordList::fromList(makeRecords(0)));
    EXPECT_EQ(model.category(), 2);
    ASSERT_EQ(model.rowCount(), 1);
    for (int c = 0; c < 4; ++c)
        EXPECT_TRUE(model.cell(c, 0).isEmpty());

    for (const auto &[records, rows] : {std::pair{5, 2}, {8, 2}, {3, 1}}) {
        model.fill(0, RecordList::fromList(makeRecords(records)));
        ASSERT_EQ(model.rowCount(), rows) << records;
        EXPECT_TRUE(model.cell((records - 1) % 4, rows - 1).startsWith(QByteArray::number(records - 1) + "\t")) << records;
        EXPECT_TRUE(records % 4 == 0 || model.cell(records % 4, rows - 1).isEmpty()) << records;
    }
    model.setCell(2, 0, "2\tnew|" + g("新") + "|now");
    EXPECT_EQ(model.data(model.index(0, 2)).toString(), QString::fromUtf8("new  新"));
}
