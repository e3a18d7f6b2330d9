// Merging one change list: records rewritten, rows leaving and entering the lists, what is announced,
// and the bad input a server may send.
#include "core/catalogue/catalogue.h"
#include "core/catalogue/change_merge.h"
#include "core/catalogue/latest_list_model.h"
#include "core/gallery/picture_grid_model.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using kestrin::test::g;

namespace {

// Category 0 of n records "k\tf<k>|名<k>|t0" (record 0 a caption row when asked), updated at "NEW".
struct Merge
{
    Catalogue cat;
    LatestListModel latest{&latestRowTone};
    LatestListModel files{&fileRowTone};
    QList<qsizetype> rewritten;
    MergeSettings settings;

    explicit Merge(int n, bool captionFirst = false)
    {
        QList<QByteArray> records;
        for (int k = 0; k < n; ++k)
            records << (k == 0 && captionFirst ? QByteArray("0\t") + g("【标题】")
                                               : QByteArray::number(k) + "\tf" + QByteArray::number(k) + "|" +
                                                     g("名") + QByteArray::number(k) + "|t0");
        cat.reset({{"c", "kq/p", ".jpg"}});
        cat.categories[0].items = RecordList::fromList(records);
        cat.categories[0].taken = MarkList(n);
        cat.categories[0].updateTime = "NEW";
    }
    // Both lists filled as a load fills them, from these latest entries.
    void fill(const QList<QByteArray> &entries)
    {
        const LatestRows rows = latestRows(cat, entries, settings.personalZone);
        latest.setRows(rows.top);
        files.setRows(rows.main);
    }
    QList<Announcement> apply(const QList<QByteArray> &entries)
    {
        MergeTargets t{&latest, &files, [this](qsizetype i, const QByteArray &) { rewritten << i; }};
        return applyChanges(cat, 0, entries, t, settings);
    }
    QByteArray record(int k) const { return cat.items(0).at(k).toByteArray(); }
    QList<QByteArray> tags(const LatestListModel &m) const
    {
        QList<QByteArray> out;
        for (const LatestRow &r : m.rows())
            out << r.tag;
        return out;
    }
};

} // namespace

TEST(ApplyChanges, ANewPictureIsAnnouncedAndAWithdrawnOneLeavesTheLists)
{
    Merge m(6);
    m.fill({"4", "-4", "3", "1"});
    const QList<Announcement> a = m.apply({"3", "-4"});
    EXPECT_EQ(m.record(3), "3\tf3|" + g("名3") + "|NEW");
    EXPECT_EQ(m.record(4), "4\tf4|" + g("名4") + "|-1");
    EXPECT_EQ(m.rewritten, (QList<qsizetype>{3, 4}));
    ASSERT_EQ(a.size(), 1);
    EXPECT_EQ(a[0].index, 3);
    EXPECT_FALSE(a[0].queued);
    // Record 3: its old rows gone, a new one on top of both lists. Record 4: its first row gone from
    // each list; in the latest list the row written "-4" is not the one carrying its id, and stays.
    EXPECT_EQ(m.tags(m.latest), (QList<QByteArray>{"3", "1", "-4"}));
    EXPECT_EQ(m.tags(m.files), (QList<QByteArray>{"3", "1", "4"}));
    EXPECT_EQ(m.latest.row(0).time, "NEW");
    EXPECT_EQ(m.latest.row(0).caption(), "f3  " + g("名3"));
}

TEST(ApplyChanges, ThePersonalZoneAnnouncesOnlyPicksAndAutoQueueMarksThem)
{
    Merge zone(6);
    zone.settings.personalZone = true;
    zone.cat.categories[0].selection = {"f2"};
    zone.fill({"3", "2"});
    const QList<Announcement> a = zone.apply({"3", "2"});
    ASSERT_EQ(a.size(), 1);
    EXPECT_EQ(a[0].index, 2);
    EXPECT_EQ(zone.record(3), "3\tf3|" + g("名3") + "|NEW"); // rewritten all the same
    EXPECT_EQ(zone.tags(zone.files), QList<QByteArray>{"2"});

    Merge queue(6);
    queue.settings.autoQueue = true;
    const QList<Announcement> q = queue.apply({"5", "1"});
    ASSERT_EQ(q.size(), 2);
    EXPECT_TRUE(q[0].queued && q[1].queued);
    EXPECT_TRUE(queue.cat.isTaken(0, 5));
    EXPECT_EQ(queue.latest.row(0).mark, markText()); // the new rows already show "√"
    EXPECT_EQ(PictureTone(queue.files.index(0, 0).data(LatestListModel::ToneRole).toInt()), PictureTone::Red);
}

TEST(ApplyChanges, TheLatestListKeepsFortyFiveAfterAnAnnouncement)
{
    Merge m(60);
    QList<QByteArray> entries;
    for (int k = 1; k <= 50; ++k)
        entries << QByteArray::number(k);
    m.fill(entries);
    ASSERT_EQ(m.latest.rowCount(), 46);
    m.apply({"55"});
    EXPECT_EQ(m.latest.rowCount(), 45);
    EXPECT_EQ(m.latest.row(0).tag, "55");
    EXPECT_EQ(m.files.rowCount(), 51);
}

TEST(ApplyChanges, BadEntriesNeverCorruptARecord)
{
    Merge m(4, true);
    const QByteArray caption = m.record(0);
    const QList<Announcement> a =
        m.apply({"", "  ", "x", "1.5", "99", "2147483647", "-2147483648", "0", "-0", " 2 ", "2", "+3"});
    EXPECT_EQ(m.record(0), caption); // a caption row is left alone
    EXPECT_EQ(m.record(2), "2\tf2|" + g("名2") + "|NEW");
    EXPECT_EQ(m.record(3), "3\tf3|" + g("名3") + "|NEW");
    EXPECT_EQ(m.cat.items(0).size(), 4);
    // " 2 " and "2" are each announced (two sounds, one row left for the picture), "+3" too.
    ASSERT_EQ(a.size(), 3);
    EXPECT_EQ(m.tags(m.latest), (QList<QByteArray>{"3", "2"}));

    Merge withdraw(3);
    withdraw.fill({"0"});
    EXPECT_TRUE(withdraw.apply({"-0"}).isEmpty()); // "-0" withdraws record 0 and announces nothing
    EXPECT_EQ(withdraw.record(0), "0\tf0|" + g("名0") + "|-1");
    EXPECT_EQ(withdraw.latest.rowCount(), 0);
}

TEST(PictureGridModel, AChangeRewritesOnlyTheCellShowingThatRecord)
{
    QList<QByteArray> records;
    for (int k = 0; k < 500; ++k)
        records << QByteArray::number(k) + "\tf|n|t";
    const RecordList all = RecordList::fromList(records);
    PictureGridModel page2;
    page2.fill(0, all.mid(240, 240), 240);
    page2.updateRecord(0, 250, "250\tf|n|NEW");
    EXPECT_EQ(page2.cell(2, 2), "250\tf|n|NEW"); // record 250 is the 11th of page 2
    page2.updateRecord(0, 10, "10\tf|n|NEW");   // not on this page: nothing changes
    page2.updateRecord(1, 250, "x");             // another category: nothing changes
    EXPECT_EQ(page2.cell(2, 2), "250\tf|n|NEW");
    EXPECT_EQ(page2.cell(2, 0), "242\tf|n|t");

    PictureGridModel picked;
    picked.fill(0, RecordList::fromList({records[7], records[3]}), PictureGridModel::kFindById);
    picked.updateRecord(0, 3, "3\tf|n|NEW");
    EXPECT_EQ(picked.cell(1, 0), "3\tf|n|NEW");
    EXPECT_EQ(picked.cell(0, 0), "7\tf|n|t");
}
