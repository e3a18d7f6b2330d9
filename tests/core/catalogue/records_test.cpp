#include "core/catalogue/gbk.h"
#include "core/catalogue/record_list.h"
#include "core/catalogue/records.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using kestrin::test::g;

namespace {
QList<QByteArray> L(std::initializer_list<const char *> items)
{
    QList<QByteArray> out;
    for (const char *i : items)
        out << QByteArray(i);
    return out;
}
} // namespace

TEST(splitString, KeepsEmptyPartsAndNeverReturnsNothing)
{
    EXPECT_EQ(splitString("", ","), L({""}));
    EXPECT_EQ(splitString("a,b,", ","), L({"a", "b", ""}));
    EXPECT_EQ(splitString(",a", ","), L({"", "a"}));
    EXPECT_EQ(splitString("a,,b", ","), L({"a", "", "b"}));
    EXPECT_EQ(splitString("abc", "|"), L({"abc"}));
    EXPECT_EQ(splitString("a  b  c", "  "), L({"a", "b", "c"}));
    EXPECT_EQ(splitString("a   b", "  "), L({"a", " b"}));
}

TEST(splitString, StepsOverGbkCharactersWhoseSecondByteIsABar)
{
    // 東 is 96 7C: its second byte is "|". A bytewise split would cut the name in two.
    const QByteArray dong = g("東");
    ASSERT_EQ(dong, QByteArray("\x96\x7C"));
    const QByteArray rec = g("a01|東億瑋|2010-04-01");
    const QList<QByteArray> parts = splitString(rec, "|");
    ASSERT_EQ(parts.size(), 3);
    EXPECT_EQ(gbk::decode(parts[1]), QString::fromUtf8("東億瑋"));
    EXPECT_EQ(gbk::indexOf(g("東|"), "|"), 2);
    EXPECT_FALSE(gbk::contains(g("東億"), "|"));
    // A lead byte followed by a byte that cannot end a character stands alone: the "|" after is real.
    EXPECT_EQ(splitString(QByteArray("\x96 |x"), "|").size(), 2);
}

TEST(splitString, LinesEndAtCrLfOrCrLf)
{
    EXPECT_EQ(splitLines("a\r\nb\nc\rd", 10), L({"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines("a\r\n", 10), L({"a"}));
    EXPECT_EQ(splitLines("a\r\n\r\n", 10), L({"a", ""}));
    EXPECT_EQ(splitLines("", 10).size(), 0);
    EXPECT_EQ(splitLines("a\nb\nc", 2), L({"a", "b"}));
}

TEST(RecordList, SplitsLikeSplitStringAndOutlivesItsSource)
{
    RecordList list;
    {
        QByteArray text("x,,y,");
        list = RecordList::split(text, ',');
        text.fill('#'); // the source detaches; the list keeps its own view of the old bytes
    }
    ASSERT_EQ(list.size(), 4);
    EXPECT_EQ(list.at(0), "x");
    EXPECT_EQ(list.at(1), "");
    EXPECT_EQ(list.at(2), "y");
    EXPECT_EQ(list.at(3), "");
    EXPECT_EQ(RecordList::split(QByteArray(), ',').size(), 1);

    RecordList slice = list.mid(2, 5);
    list = RecordList();
    ASSERT_EQ(slice.size(), 2);
    EXPECT_EQ(slice.at(0), "y");
    slice.set(5, "z");
    EXPECT_EQ(slice.size(), 6);
    EXPECT_EQ(slice.at(5), "z");
    EXPECT_EQ(slice.at(4), "");
}

TEST(PictureRecord, FieldsCaptionRowsAndDisplayNames)
{
    const QByteArray text = "7\t" + g("a01|東一|2010-04-01 23:35");
    const PictureRecord r = PictureRecord::parse(text);
    EXPECT_FALSE(r.caption);
    EXPECT_EQ(r.idNumber(), 7);
    EXPECT_EQ(r.fileName, "a01");
    EXPECT_EQ(r.chineseName, g("東一"));
    EXPECT_EQ(r.time, "2010-04-01 23:35");
    EXPECT_FALSE(r.withdrawn());
    EXPECT_TRUE(PictureRecord::parse("3\ta|b|-1").withdrawn());

    const PictureRecord heading = PictureRecord::parse("0\t" + g("【推荐】"));
    EXPECT_TRUE(heading.caption);
    EXPECT_EQ(heading.rest, g("【推荐】"));
    EXPECT_EQ(PictureRecord::parse("x\ta|b|c").idNumber(), -1);

    EXPECT_EQ(displayName("a01", "b02"), "a01  b02");
}

TEST(TrimmedBlanks, CutsBlanksAndControlCharactersAtBothEndsOnly)
{
    EXPECT_EQ(trimmedBlanks(" \t\x01" "a b\x7F\r\n"), "a b");
    EXPECT_EQ(trimmedBlanks("\x01\x02"), "");
    EXPECT_EQ(trimmedBlanks(g("東 ")), g("東")); // the trail byte 7C is no blank
}

TEST(SignedInt, AcceptsOnlyPlainDecimals)
{
    bool ok = false;
    EXPECT_EQ(parseSignedInt("-7", &ok), -7);
    EXPECT_TRUE(ok);
    EXPECT_EQ(parseSignedInt("+12", &ok), 12);
    EXPECT_TRUE(ok);
    for (const char *bad : {"", "-", "1 2", "x1", "99999999999", " 1"}) {
        parseSignedInt(bad, &ok);
        EXPECT_FALSE(ok) << bad;
    }
}
