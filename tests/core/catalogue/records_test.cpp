// Records and their fields as views into server text. Splitting at GBK character starts, lines and
// numbers: the properties of fuzz/split_gbk.cpp (fuzz_split_gbk_replay).
#include "core/catalogue/record_list.h"
#include "core/catalogue/records.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using kestrin::test::g;

TEST(RecordList, OutlivesItsSourceAndGrowsWhereSet)
{
    RecordList list;
    {
        QByteArray text("x,,y,");
        list = RecordList::split(text, ',');
        text.fill('#'); // the source detaches; the list keeps its own view of the old bytes
    }
    RecordList slice = list.mid(2, 5);
    list = RecordList();
    ASSERT_EQ(slice.size(), 2);
    EXPECT_EQ(slice.at(0), "y");
    slice.set(5, "z");
    ASSERT_EQ(slice.size(), 6);
    EXPECT_EQ(slice.at(4), "");
    EXPECT_EQ(slice.at(5), "z");
}

TEST(PictureRecord, FieldsCaptionRowsAndWithdrawnPictures)
{
    // A record's fields are views: the bytes they look into must outlive them.
    const QByteArray text = "7\t" + g("a01|東一|2010-04-01 23:35");
    const PictureRecord r = PictureRecord::parse(text);
    EXPECT_FALSE(r.caption || r.withdrawn());
    EXPECT_EQ(r.idNumber(), 7);
    EXPECT_EQ(r.fileName, "a01");
    EXPECT_EQ(r.chineseName, g("東一"));
    EXPECT_EQ(r.time, "2010-04-01 23:35");
    EXPECT_TRUE(PictureRecord::parse("3\ta|b|-1").withdrawn());
    const QByteArray headingText = "0\t" + g("【推荐】");
    const PictureRecord heading = PictureRecord::parse(headingText);
    EXPECT_TRUE(heading.caption);
    EXPECT_EQ(heading.rest, g("【推荐】"));
    EXPECT_EQ(PictureRecord::parse("x\ta|b|c").idNumber(), -1);
}
