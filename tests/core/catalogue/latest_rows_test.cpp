// The latest-upload list and the file list: which entries make rows, their marks and their colours.
#include "core/catalogue/catalogue.h"
#include "core/catalogue/latest_rows.h"
#include "core/catalogue/records.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using kestrin::test::g;

namespace {

Catalogue withRecords(const QList<QByteArray> &records)
{
    Catalogue cat;
    cat.reset({{"a", "kq/p", ".jpg"}});
    cat.categories[0].items = RecordList::fromList(records);
    cat.categories[0].taken = MarkList(records.size());
    return cat;
}

} // namespace

TEST(LatestRows, UnusableEntriesAreSkippedAndMarksComeFromTheRightIds)
{
    // Record 3 claims id 4: the latest list marks by position, the file list by the record's id.
    Catalogue cat = withRecords({"0\t" + g("【推荐】"), "1\ta|" + g("甲") + "|t1", "2\tb|" + g("乙") + "|t2", "4\tc||t3", "4\td|e|t4"});
    cat.markTaken(0, 2);
    cat.markTaken(0, 4);
    const LatestRows rows = latestRows(cat, {"1", "", "x", "0", "-2", "7", "3"}, false);
    ASSERT_EQ(rows.top.size(), 3);
    EXPECT_EQ(rows.top[0].tag + "|" + rows.top[0].caption(), "3|c  ");
    EXPECT_FALSE(rows.top[0].isMarked()); // index 3 is not marked...
    EXPECT_TRUE(rows.main[0].isMarked() && rows.main[0].tag == "4"); // ...but the record's own id 4 is
    EXPECT_EQ(rows.top[1].tag, "-2");
    EXPECT_TRUE(rows.top[1].isMarked());
    EXPECT_EQ(rows.top[2].caption() + "|" + rows.top[2].time, "a  " + g("甲") + "|t1");

    // A long list keeps its newest entries on top.
    QList<QByteArray> records, entries;
    for (int k = 0; k < 60; ++k) {
        records << QByteArray::number(k) + "\tf" + QByteArray::number(k) + "|n|t";
        entries << QByteArray::number(k);
    }
    const LatestRows many = latestRows(withRecords(records), entries, false);
    ASSERT_EQ(many.top.size(), kLatestListFill);
    EXPECT_EQ(many.top.first().tag, "59");
    EXPECT_EQ(many.top.last().tag, QByteArray::number(60 - kLatestListFill));
    EXPECT_EQ(many.main.size(), 60);
}

TEST(LatestRows, PersonalZoneFollowsTheSelectionOrder)
{
    Catalogue cat = withRecords({"0\ta|x|t", "1\tb|y|t", "2\tc|z|t"});
    cat.categories[0].selection = {"c", "missing", "a"};
    const LatestRows rows = latestRows(cat, {"0", "-2", "1", "2"}, true);
    ASSERT_EQ(rows.top.size(), 2);
    EXPECT_EQ(rows.top[0].caption(), "a  x"); // last inserted first
    EXPECT_EQ(rows.top[1].caption(), "c  z");
    EXPECT_EQ(rows.top[1].tag, "2"); // the record id, not the signed entry
    EXPECT_EQ(rows.main.size(), 2);
}

TEST(LatestRows, ListsColourTheirRowsByMarkAndTime)
{
    const struct
    {
        QByteArray time, mark;
        PictureTone latest, file;
    } rows[] = {
        {"t", "", PictureTone::Blue, PictureTone::Blue},
        {"t", markText(), PictureTone::Red, PictureTone::Red},
        {"", "", PictureTone::Blue, PictureTone::Black},
        {"", markText(), PictureTone::Red, PictureTone::Red},
    };
    for (const auto &r : rows) {
        const LatestRow row{"f", "n", r.time, r.mark, "1"};
        EXPECT_EQ(latestRowTone(row), r.latest) << r.time.constData() << r.mark.size();
        EXPECT_EQ(fileRowTone(row), r.file) << r.time.constData() << r.mark.size();
    }
}
