// Merging one change list: records rewritten, rows leaving and entering the lists, what is announced;
// every kind of entry a server may send, against a plain merge.
#include "core/catalogue/catalogue.h"
#include "core/catalogue/change_merge.h"
#include "core/catalogue/latest_list_model.h"
#include "core/download/file_list.h"
#include "core/gallery/picture_grid_model.h"
#include "test_support.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <random>

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

namespace {

// The merge done the plain way, an entry and a row at a time: each removal a scan from the top, each
// new row put at the top or walked to its place.
struct PlainMerge
{
    QList<QByteArray> records;
    std::vector<bool> taken;
    QList<QByteArray> selection;
    QByteArray updateTime;
    QList<LatestRow> latest, files;
    LatestListModel::Order latestOrder, filesOrder;

    static void removeFirst(QList<LatestRow> &rows, const QByteArray &tag)
    {
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (rows[i].tag == tag) {
                rows.removeAt(i);
                return;
            }
        }
    }
    static void put(QList<LatestRow> &rows, const LatestRow &row, const LatestListModel::Order &order)
    {
        qsizetype at = 0;
        while (order && at < rows.size() && order(rows[at], row))
            ++at;
        rows.insert(at, row);
    }
    QList<Announcement> apply(const QList<QByteArray> &entries, MergeSettings settings, QList<qsizetype> &rewritten)
    {
        QList<Announcement> announced;
        for (const QByteArray &raw : entries) {
            const QByteArrayView entry = trimmedBlanks(raw);
            bool ok = false;
            const int value = parseSignedInt(entry, &ok);
            const qsizetype index = value < 0 ? -qsizetype(value) : value;
            if (entry.isEmpty() || !ok || index >= records.size() || PictureRecord::parse(records[index]).caption)
                continue;
            const PictureRecord old = PictureRecord::parse(records[index]);
            records[index] = old.id.toByteArray() + '\t' + old.fileName.toByteArray() + '|' +
                             old.chineseName.toByteArray() + '|' + (value < 1 ? QByteArray("-1") : updateTime);
            rewritten << index;
            const QByteArray key = entry.toByteArray().replace("-", "").replace("+", "");
            removeFirst(latest, key);
            removeFirst(files, key);
            if (entry.startsWith('-'))
                continue;
            const PictureRecord now = PictureRecord::parse(records[index]);
            if (!settings.personalZone || selection.contains(now.fileName.toByteArray())) {
                if (settings.autoQueue)
                    taken[size_t(index)] = true;
                const LatestRow row{now.fileName.toByteArray(), now.chineseName.toByteArray(), now.time.toByteArray(),
                                    taken[size_t(index)] ? markText() : QByteArray(), now.id.toByteArray()};
                put(latest, row, latestOrder);
                put(files, row, filesOrder);
                announced.append({index, row, settings.autoQueue});
            }
            if (latest.size() > 45) // the latest list keeps 45 rows after an announcement
                latest.resize(45);
        }
        return announced;
    }
};

struct Dice
{
    std::mt19937 rng;
    int upTo(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    bool chance(int percent) { return upTo(100) < percent; }
    template <typename T> const T &of(const QList<T> &list) { return list[upTo(int(list.size()))]; }

    // What a change list or a latest list may hold for a category of n records.
    QByteArray entry(int n, const QList<QByteArray> &earlier)
    {
        const QByteArray k = QByteArray::number(upTo(n + 3)); // now and then past the end
        switch (upTo(14)) {
        case 6: case 7: return "-" + k;
        case 8: return "+" + k;
        case 9: return " " + k + "\t";
        case 10: return "0" + k; // the same record under another tag
        case 11: return of<QByteArray>({"", "  ", "x", "1.5", "0", "-0", "-", "--3", "2147483647", "-2147483648", "99999"});
        case 12: case 13: return earlier.isEmpty() ? k : of(earlier);
        default: return k;
        }
    }
    QList<QByteArray> entries(int n, int count)
    {
        QList<QByteArray> out;
        while (out.size() < count)
            out << entry(n, out);
        return out;
    }
    QList<LatestRow> rows(int n, int count)
    {
        QList<LatestRow> out;
        QList<QByteArray> tags;
        for (int i = 0; i < count; ++i) {
            const QByteArray k = QByteArray::number(upTo(n));
            tags << entry(n, tags);
            out.append({"f" + k, g("名") + k, of<QByteArray>({"t0", "t1", "NEW", "-1", ""}),
                        chance(25) ? markText() : QByteArray(), tags.last()});
        }
        return out;
    }
};

QList<QByteArray> lines(const QList<LatestRow> &rows)
{
    QList<QByteArray> out;
    for (const LatestRow &r : rows)
        out << r.fileName + '|' + r.chineseName + '|' + r.time + '|' + r.mark + '|' + r.tag;
    return out;
}

QList<QByteArray> lines(const QList<Announcement> &announced)
{
    QList<QByteArray> out;
    for (const Announcement &a : announced)
        out << QByteArray::number(a.index) + (a.queued ? " queued " : " ") + lines({a.row}).first();
    return out;
}

} // namespace

// Random change lists against random lists, with and without an order (also one the rows no longer
// stand in after a mark), merged by applyChanges and by the plain merge: every row of both lists,
// every record, every mark and every announcement the same, and one reset per merge that changes a list.
TEST(ApplyChanges, MergesExactlyAsThePlainMergeDoes)
{
    Dice dice{std::mt19937(20240611)};
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        const bool big = round % 10 == 9;
        const int n = 1 + dice.upTo(big ? 200 : 40);
        Catalogue cat;
        cat.reset({{"c", "kq/p", ".jpg"}});
        Category &category = cat.categories[0];
        PlainMerge plain;
        for (int k = 0; k < n; ++k) {
            const QByteArray id = dice.chance(5) ? "0" + QByteArray::number(k) : QByteArray::number(k);
            plain.records << (dice.chance(12) ? id + '\t' + g("【标题】")
                                              : id + "\tf" + QByteArray::number(k % (n / 2 + 1)) + '|' + g("名") +
                                                    QByteArray::number(k) + '|' + dice.of<QByteArray>({"t0", "t1", "NEW"}));
        }
        category.items = RecordList::fromList(plain.records);
        category.taken = MarkList(n);
        plain.taken.assign(size_t(n), false);
        for (int k = 0; k < n; ++k) {
            if (dice.chance(20)) {
                category.taken->set(k);
                plain.taken[size_t(k)] = true;
            }
        }
        for (int k = 0; k < n; ++k)
            if (dice.chance(40))
                plain.selection << "f" + QByteArray::number(k);
        category.selection = plain.selection;
        category.updateTime = plain.updateTime = dice.of<QByteArray>({"NEW", "t1"});

        const auto orderBy = [&dice](int noneInTen) -> LatestListModel::Order {
            if (dice.upTo(10) < noneInTen)
                return {};
            const int column = dice.upTo(4);
            return [column](const LatestRow &a, const LatestRow &b) { return fileRowBefore(a, b, column); };
        };
        LatestListModel latest{&latestRowTone};
        LatestListModel files{&fileRowTone};
        latest.setOrder(plain.latestOrder = orderBy(8));
        files.setOrder(plain.filesOrder = orderBy(2));
        latest.setRows(dice.rows(n, dice.upTo(big ? 60 : 50)));
        files.setRows(dice.rows(n, dice.upTo(big ? 400 : 60)));
        // Marks set after sorting: under an order by mark the rows may stand out of it.
        for (int i = 0; i < 4 && files.rowCount() > 0; ++i)
            files.markRow(dice.upTo(files.rowCount()));
        plain.latest = latest.rows();
        plain.files = files.rows();

        for (int merge = 0; merge < 3; ++merge) {
            const MergeSettings settings{dice.chance(30), dice.chance(30)};
            const QList<QByteArray> entries = dice.entries(n, dice.upTo(big ? 400 : 60));
            QList<qsizetype> rewritten, plainRewritten;
            const QList<QByteArray> latestBefore = lines(latest.rows()), filesBefore = lines(files.rows());
            QSignalSpy latestResets(&latest, &QAbstractItemModel::modelReset);
            QSignalSpy filesResets(&files, &QAbstractItemModel::modelReset);
            QSignalSpy rowByRow[] = {{&latest, &QAbstractItemModel::rowsInserted}, {&latest, &QAbstractItemModel::rowsRemoved},
                                     {&files, &QAbstractItemModel::rowsInserted}, {&files, &QAbstractItemModel::rowsRemoved}};
            const MergeTargets targets{&latest, &files, [&](qsizetype i, const QByteArray &) { rewritten << i; }};

            const QList<Announcement> announced = applyChanges(cat, 0, entries, targets, settings);
            const QList<Announcement> expected = plain.apply(entries, settings, plainRewritten);

            ASSERT_EQ(lines(announced), lines(expected));
            ASSERT_EQ(lines(latest.rows()), lines(plain.latest));
            ASSERT_EQ(lines(files.rows()), lines(plain.files));
            ASSERT_EQ(cat.items(0).toOwnedList(), plain.records);
            ASSERT_EQ(rewritten, plainRewritten);
            for (int k = 0; k < n; ++k)
                ASSERT_EQ(cat.isTaken(0, k), plain.taken[size_t(k)]) << k;
            // A list that changed is reset once; none sees rows come and go one by one.
            EXPECT_EQ(latestResets.count(), lines(plain.latest) != latestBefore ? 1 : latestResets.count());
            EXPECT_EQ(filesResets.count(), lines(plain.files) != filesBefore ? 1 : filesResets.count());
            EXPECT_LE(latestResets.count(), 1);
            EXPECT_LE(filesResets.count(), 1);
            for (const QSignalSpy &spy : rowByRow)
                EXPECT_EQ(spy.count(), 0);
        }
    }
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
    picked.fill(0, RecordList::fromList({records[7], records[3], records[3]}), PictureGridModel::kFindById);
    picked.updateRecord(0, 3, "3\tf|n|NEW");
    EXPECT_EQ(picked.cell(1, 0), "3\tf|n|NEW");
    EXPECT_EQ(picked.cell(2, 0), "3\tf|n|t"); // the first cell showing the record
    EXPECT_EQ(picked.cell(0, 0), "7\tf|n|t");
    picked.setCell(0, 0, "9\tf|n|t"); // the cell now shows another record
    picked.updateRecord(0, 9, "9\tf|n|NEW");
    picked.updateRecord(0, 7, "7\tf|n|NEW");
    EXPECT_EQ(picked.cell(0, 0), "9\tf|n|NEW");
}
