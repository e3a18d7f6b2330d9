#include "core/catalogue/catalogue.h"
#include "core/catalogue/records.h"
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
    cat.reset(QList<CategoryEntry>(categories, {"c", "f", ".jpg"}));
    cat.categories[0].items = items;
    cat.categories[0].taken = MarkList(items.size());
    return cat;
}

} // namespace

TEST(Catalogue, SizingGivesEveryCategoryEmptyStateAndASelectionList)
{
    Catalogue cat;
    cat.reset({{"a", "b", "c"}, {"d", "e f", "g"}, {"h", "i", "j"}});
    ASSERT_EQ(cat.count(), 3);
    EXPECT_EQ(cat.categories[1].entry.folder, "e f");
    EXPECT_EQ(cat.categories[2].serial, 0);
    EXPECT_TRUE(cat.categories[2].selection.isEmpty());
    EXPECT_FALSE(cat.categories[1].items.has_value());
    EXPECT_TRUE(cat.items(1).isEmpty());
    EXPECT_TRUE(cat.latest(2).isEmpty());
    EXPECT_FALSE(cat.isTaken(1, 0));
    EXPECT_EQ(cat.baseUrl(), QStringLiteral("http://127.0.0.1:16990/"));
    EXPECT_EQ(cat.pictureFolderUrl(1), QStringLiteral("http://127.0.0.1:16990/e%20f/"));
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
    EXPECT_EQ(cat.itemName(2), "f2");
    EXPECT_EQ(cat.itemName(0), g("标题")); // a caption row gives its whole text
    EXPECT_EQ(cat.itemName(99), "");
    EXPECT_EQ(cat.findItemByName("f3"), 3);
    EXPECT_EQ(cat.findItemByName("F3"), -1);
    EXPECT_EQ(cat.findItemByName("nope"), -1);
}

TEST(Catalogue, BuildSelectRecordsKeepsNameOrderSkipsBlanksAndFailsOnUnknownNames)
{
    Catalogue cat = loaded(1, records(10));
    const auto picked = cat.buildSelectRecords(0, {"f7", " ", "", "\t\x01", "f2", "f7"});
    ASSERT_TRUE(picked.has_value());
    ASSERT_EQ(picked->size(), 3);
    EXPECT_TRUE(picked->at(0).startsWith("7\t"));
    EXPECT_TRUE(picked->at(1).startsWith("2\t"));
    EXPECT_TRUE(picked->at(2).startsWith("7\t"));
    EXPECT_FALSE(cat.buildSelectRecords(0, {"f1", "gone"}).has_value());
    EXPECT_TRUE(cat.buildSelectRecords(0, {})->isEmpty());
}

TEST(Catalogue, MarksGrowWithTheCategoryButNeverPastItsRecords)
{
    Catalogue cat = loaded(1, records(3));
    cat.markTaken(0, 1);
    EXPECT_TRUE(cat.isTaken(0, 1));
    EXPECT_EQ(cat.categories[0].taken->text(1), markText());
    EXPECT_EQ(cat.categories[0].taken->text(0), "");
    // A later load brought more records than the marks were sized for.
    cat.categories[0].items = records(60);
    EXPECT_FALSE(cat.isTaken(0, 50));
    cat.markTaken(0, 50);
    EXPECT_TRUE(cat.isTaken(0, 50));
    EXPECT_EQ(cat.categories[0].taken->size(), 51);
    // A record claiming a huge id must not grow the marks to 2^31 entries.
    cat.markTaken(0, 2147483647);
    cat.markTaken(0, -1);
    EXPECT_EQ(cat.categories[0].taken->size(), 51);
    EXPECT_EQ(markText(), QByteArray("\xA1\xCC"));
}
