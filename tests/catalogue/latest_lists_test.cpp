#include "catalogue/catalogue.h"
#include "catalogue/latest_lists.h"
#include "catalogue/records.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using kestrin::test::g;

namespace {
Catalogue withRecords(const QByteArray &line)
{
    Catalogue cat;
    cat.CateList = {"a|kq/p|.jpg"};
    cat.size(1);
    cat.CateItems[0] = RecordList::split(line, ',');
    cat.CateStatus[0] = MarkList(cat.CateItems[0]->size());
    return cat;
}
} // namespace

TEST(LatestRows, UnusableEntriesAreSkippedAndMarksComeFromTheRightIds)
{
    Catalogue cat = withRecords("0\t" + g("【推荐】") + ",1\ta|" + g("甲") + "|t1,2\tb|" + g("乙") + "|t2,9\tc||t3");
    cat.setMark(0, 2);
    cat.setMark(0, 9);
    const LatestRows rows = latestRows(cat, {"1", "", "x", "0", "-2", "7", "3"}, false);
    ASSERT_EQ(rows.top.size(), 3);
    EXPECT_EQ(rows.top[0].tag, "3");
    EXPECT_EQ(rows.top[0].caption, "c  ");
    EXPECT_EQ(rows.top[0].mark, ""); // index 3 is not marked...
    EXPECT_EQ(rows.main[0].mark, markText()); // ...but the record's own id 9 is
    EXPECT_EQ(rows.main[0].tag, "9");
    EXPECT_EQ(rows.top[1].tag, "-2");
    EXPECT_EQ(rows.top[1].mark, markText());
    EXPECT_EQ(rows.top[2].caption, "a  " + g("甲"));
    EXPECT_EQ(rows.top[2].time, "t1");
}

TEST(LatestRows, PersonalZoneFollowsTheSelectionOrder)
{
    Catalogue cat = withRecords("0\ta|x|t,1\tb|y|t,2\tc|z|t");
    cat.CateSelect[0] = {"c", "missing", "a"};
    const LatestRows rows = latestRows(cat, {"0", "-2", "1", "2"}, true);
    ASSERT_EQ(rows.top.size(), 2);
    EXPECT_EQ(rows.top[0].caption, "a  x"); // last inserted first
    EXPECT_EQ(rows.top[1].caption, "c  z");
    EXPECT_EQ(rows.top[1].tag, "2"); // the record id, not the signed entry
    EXPECT_EQ(rows.main.size(), 2);
}
