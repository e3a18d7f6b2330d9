#include "catalogue/catalogue.h"
#include "catalogue/records.h"
#include "catalogue/string_grid_model.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using kestrin::test::g;

namespace {

RecordList records(int n, int captionAt = -1)
{
    QList<QByteArray> list;
    for (int i = 0; i < n; ++i)
        list << (i == captionAt ? QByteArray::number(i) + "\t" + g("标题")
                                : QByteArray::number(i) + "\tf" + QByteArray::number(i) + "|" + g("图") + "|t");
    return RecordList::fromList(list);
}

Catalogue loaded(int categories, const RecordList &items)
{
    Catalogue cat;
    for (int i = 0; i < categories; ++i)
        cat.CateList << "c|f|.jpg";
    cat.size(categories);
    cat.CateItems[0] = items;
    cat.CateStatus[0] = MarkList(items.size());
    return cat;
}

} // namespace

TEST(Catalogue, SizingGivesEveryCategoryEmptyStateAndASelectionList)
{
    Catalogue cat;
    cat.CateList = {"a|b|c", "d|e|f", "g|h|i"};
    cat.size(3);
    EXPECT_EQ(cat.CateItems.size(), 3u);
    EXPECT_EQ(cat.CateSelect.size(), 3u);
    EXPECT_EQ(cat.CateSerials, std::vector<qint32>(3, 0));
    EXPECT_FALSE(cat.CateItems[1].has_value());
    EXPECT_TRUE(cat.items(1).isEmpty());
    EXPECT_TRUE(cat.latest(2).isEmpty());
    EXPECT_FALSE(cat.isMarked(1, 0));
    EXPECT_EQ(cat.baseUrl(), QStringLiteral("http://127.0.0.1:16990/"));
}

TEST(Catalogue, ServerTableHasSixEntriesThreePerCarrier)
{
    const ServerTable t = ServerTable::forHosts("h1", "h2", 16990);
    ASSERT_EQ(t.size(), 6);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t.url(i), QStringLiteral("http://h1:16990/"));
        EXPECT_EQ(t.url(i + 3), QStringLiteral("http://h2:16990/"));
    }
    // A request address is the base followed directly by the path: two slashes before "kq".
    EXPECT_EQ(t.url(0) + "/kq/config.xml", QStringLiteral("http://h1:16990//kq/config.xml"));
}

TEST(Catalogue, NamesAreFoundByFileNameInTheCurrentCategory)
{
    Catalogue cat = loaded(2, records(6, 0));
    EXPECT_EQ(cat.GetItemName(2), "f2");
    EXPECT_EQ(cat.GetItemName(0), g("标题")); // a caption row gives its whole text
    EXPECT_EQ(cat.GetItemName(99), "");
    EXPECT_EQ(cat.FindItemByName("f3"), 3);
    EXPECT_EQ(cat.FindItemByName("F3"), -1);
    EXPECT_EQ(cat.FindItemByName("nope"), -1);
}

TEST(Catalogue, BuildSelectRecordsKeepsNameOrderSkipsBlanksAndFailsOnUnknownNames)
{
    Catalogue cat = loaded(1, records(10));
    const auto picked = cat.BuildSelectRecords(0, {"f7", " ", "", "f2", "f7"});
    ASSERT_TRUE(picked.has_value());
    ASSERT_EQ(picked->size(), 3);
    EXPECT_TRUE(picked->at(0).startsWith("7\t"));
    EXPECT_TRUE(picked->at(1).startsWith("2\t"));
    EXPECT_TRUE(picked->at(2).startsWith("7\t"));
    EXPECT_FALSE(cat.BuildSelectRecords(0, {"f1", "gone"}).has_value());
    EXPECT_TRUE(cat.BuildSelectRecords(0, {})->isEmpty());
}

TEST(Catalogue, MarksBeyondTheFirstSizeReadEmptyAndGrowWhenSet)
{
    Catalogue cat = loaded(1, records(3));
    cat.setMark(0, 1);
    EXPECT_TRUE(cat.isMarked(0, 1));
    EXPECT_EQ(cat.CateStatus[0]->text(1), markText());
    EXPECT_EQ(cat.CateStatus[0]->text(0), "");
    EXPECT_FALSE(cat.isMarked(0, 50));
    cat.setMark(0, 50);
    EXPECT_TRUE(cat.isMarked(0, 50));
    EXPECT_EQ(cat.CateStatus[0]->size(), 51);
    EXPECT_TRUE(cat.isMarked(0, 1));
    EXPECT_EQ(markText(), QByteArray("\xA1\xCC"));
}

TEST(StringGrid, FourToARowNeverFewerThanOneRow)
{
    StringGridModel model;
    model.fill(records(0));
    EXPECT_EQ(model.rowCount(), 1);
    for (int c = 0; c < 4; ++c)
        EXPECT_TRUE(model.cell(c, 0).isEmpty());

    model.fill(records(5));
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_TRUE(model.cell(0, 1).startsWith("4\t"));
    EXPECT_TRUE(model.cell(1, 1).isEmpty());
    EXPECT_TRUE(model.cell(3, 0).startsWith("3\t"));

    model.fill(records(8));
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_FALSE(model.cell(3, 1).isEmpty());

    model.fill(records(40));
    EXPECT_EQ(model.rowCount(), 10);
    model.fill(records(3));
    EXPECT_EQ(model.rowCount(), 1);

    model.setCell(2, 0, "2\tnew|" + g("新") + "|now");
    EXPECT_EQ(model.cell(2, 0), "2\tnew|" + g("新") + "|now");
    EXPECT_EQ(model.data(model.index(0, 2)).toString(), QString::fromUtf8("new  新"));
}
