// Search over GBK text: whole file names, Chinese names character by character.
#include "core/catalogue/record_list.h"
#include "core/gallery/search.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using kestrin::test::g;

TEST(Search, FileNamesMatchWholeChineseNamesByCharacter)
{
    const RecordList items = RecordList::fromList({"0\t" + g("【标题】一"), "1\ta01|" + g("图一") + "|t",
                                                   "2\ta011|" + g("二") + "|t", "3\tb|" + g("一楼") + "|-1",
                                                   "4\tc|" + g("啊阿") + "|t"});
    EXPECT_EQ(searchRecords(items, "a01"), QList<qsizetype>{1}); // not a011
    EXPECT_EQ(searchRecords(items, g("一")), (QList<qsizetype>{1, 3})); // withdrawn too; captions never
    EXPECT_EQ(searchRecords(items, g("一"), true), QList<qsizetype>{1});
    EXPECT_EQ(searchRecords(items, "A01"), QList<qsizetype>{}); // exact case
    // 啊阿 is B0 A1 B0 A2; A1 B0 is "“": bytes that straddle two characters are no match.
    ASSERT_EQ(g("“"), QByteArray("\xA1\xB0"));
    EXPECT_TRUE(searchRecords(items, g("“")).isEmpty());
    EXPECT_EQ(searchText(QString::fromUtf8(" \t图一\r\n")), g("图一"));

    const QList<LatestRow> rows = searchResultRows(RecordList::fromList({items.at(1).toByteArray(), items.at(3).toByteArray()}));
    ASSERT_EQ(rows.size(), 1); // withdrawn pictures are left out of the file page's results
    EXPECT_EQ(rows[0].tag, "1");
    EXPECT_TRUE(searchResultRows(RecordList::fromList({" ", items.at(1).toByteArray()})).isEmpty());
}
