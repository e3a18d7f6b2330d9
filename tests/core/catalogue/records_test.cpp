// Splitting server text into records and fields, bytes and GBK characters both.
#include "core/catalogue/gbk.h"
#include "core/catalogue/record_list.h"
#include "core/catalogue/records.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using kestrin::test::g;

TEST(SplitString, KeepsEmptyPartsAndEndsLinesAtCrLfOrCrOrLf)
{
    const struct
    {
        QByteArray text, separator;
        QList<QByteArray> parts;
    } cases[] = {
        {"", ",", {""}},
        {"a,b,", ",", {"a", "b", ""}},
        {",a", ",", {"", "a"}},
        {"a,,b", ",", {"a", "", "b"}},
        {"a  b  c", "  ", {"a", "b", "c"}},
        {"a   b", "  ", {"a", " b"}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(splitString(c.text, c.separator), c.parts) << c.text.constData();
        if (c.separator != ",")
            continue;
        const RecordList list = RecordList::split(c.text, ','); // the catalogue's own split agrees
        ASSERT_EQ(list.size(), c.parts.size()) << c.text.constData();
        for (qsizetype i = 0; i < list.size(); ++i)
            EXPECT_EQ(list.at(i), c.parts[i]) << c.text.constData();
    }
    EXPECT_EQ(splitLines("a\r\nb\nc\rd", 10), (QList<QByteArray>{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines("a\r\n\r\n", 10), (QList<QByteArray>{"a", ""}));
    EXPECT_TRUE(splitLines("", 10).isEmpty());
    EXPECT_EQ(splitLines("a\nb\nc", 2), (QList<QByteArray>{"a", "b"}));
}

TEST(SplitString, StepsOverGbkCharactersWhoseSecondByteIsABar)
{
    // 東 is 96 7C: its second byte is "|". A bytewise split would cut the name in two.
    ASSERT_EQ(g("東"), QByteArray("\x96\x7C"));
    const QList<QByteArray> parts = splitString(g("a01|東億瑋|2010-04-01"), "|");
    ASSERT_EQ(parts.size(), 3);
    EXPECT_EQ(parts[1], g("東億瑋"));
    EXPECT_EQ(gbk::indexOf(g("東|"), "|"), 2);
    // A lead byte followed by a byte that cannot end a character stands alone: the "|" after is real.
    EXPECT_EQ(splitString(QByteArray("\x96 |x"), "|").size(), 2);
    // After a delimiter that ends in a lead byte the search goes on at the text's own next character:
    // 81 81 and 81 7C are its characters, so only the first and third bytes are delimiters.
    EXPECT_EQ(splitString(QByteArray("\x81\x81\x81|"), "\x81"), (QList<QByteArray>{"", "\x81", "|"}));
    EXPECT_EQ(trimmedBlanks(" \t\x01" + g("東 ") + "\x7F\r\n"), g("東")); // the trail byte 7C is no blank
}

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
