// What a grid cell shows and which records can be picked.
#include "core/catalogue/catalogue.h"
#include "core/gallery/picture_grid_model.h"
#include "core/gallery/picture_rules.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using kestrin::test::g;
using kestrin::test::makeRecords;

TEST(PictureRules, EachCellShowsItsPicturesState)
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
        bool bold;
    } cases[] = {
        {picture, false, false, CellLook::Picture, PictureTone::Blue, false},
        {picture, true, false, CellLook::Picture, PictureTone::Red, false},
        {picture, false, true, CellLook::Picture, PictureTone::Red, false},
        {withdrawn, true, true, CellLook::Picture, PictureTone::Black, false},
        {caption, false, false, CellLook::Caption, PictureTone::Red, true},
        {"", false, true, CellLook::Empty, PictureTone::Blue, false},
    };
    for (const auto &c : cases) {
        const CellLook look = gridCellLook(c.record, c.taken, c.hovered);
        EXPECT_EQ(look.kind, c.kind) << c.record.constData();
        EXPECT_EQ(look.tone, c.tone) << c.record.constData() << c.taken << c.hovered;
        EXPECT_EQ(look.bold, c.bold) << c.record.constData();
    }
    EXPECT_EQ(gridCellLook(picture, false, false).text, QString::fromUtf8("a01  图一"));
    EXPECT_EQ(gridCellLook(caption, false, false).text, QString::fromUtf8("【推荐】"));

    EXPECT_TRUE(canPick(picture));
    EXPECT_FALSE(canPick(withdrawn));
    EXPECT_FALSE(canPick(caption));
    EXPECT_FALSE(canPick(""));
    // Only a time of exactly "-1" withdraws: a time that merely ends in "-1" is a picture.
    EXPECT_TRUE(canPick("3\ta|b|2010-1-1"));
}

TEST(PictureRules, AMegabyteRecordIsCutBeforeItIsLaidOut)
{
    const QByteArray huge = "1\t" + QByteArray(3 << 20, 'x') + "|" + g("图") + "|t";
    const CellLook look = gridCellLook(huge, false, false);
    EXPECT_LT(look.text.size(), 2000);
    EXPECT_TRUE(look.text.startsWith("xxx"));
    EXPECT_TRUE(look.text.contains(QChar(0x2026)));
}

TEST(PictureGridModel, FourToARowNeverFewerThanOneRowAndKnowsItsCategory)
{
    PictureGridModel model;
    EXPECT_EQ(model.category(), -1);
    model.fill(2, RecordList::fromList(makeRecords(0)));
    EXPECT_EQ(model.category(), 2);
    EXPECT_EQ(model.rowCount(), 1);
    for (int c = 0; c < 4; ++c)
        EXPECT_TRUE(model.cell(c, 0).isEmpty());

    model.fill(0, RecordList::fromList(makeRecords(5)));
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_TRUE(model.cell(0, 1).startsWith("4\t"));
    EXPECT_TRUE(model.cell(1, 1).isEmpty());
    EXPECT_TRUE(model.cell(3, 0).startsWith("3\t"));

    model.fill(0, RecordList::fromList(makeRecords(8)));
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_FALSE(model.cell(3, 1).isEmpty());
    model.fill(0, RecordList::fromList(makeRecords(3)));
    EXPECT_EQ(model.rowCount(), 1);

    model.setCell(2, 0, "2\tnew|" + g("新") + "|now");
    EXPECT_EQ(model.cell(2, 0), "2\tnew|" + g("新") + "|now");
    EXPECT_EQ(model.data(model.index(0, 2)).toString(), QString::fromUtf8("new  新"));
}
