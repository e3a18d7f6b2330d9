// The catalogue's own rules: addresses, names found in the current category, picks built from names,
// and marks that grow with the category but never past its records.
#include "core/catalogue/catalogue.h"
#include "core/catalogue/records.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using kestrin::test::g;

namespace {

// n records "i\tfi|图|t", the one at captionAt a caption row; marks sized to them.
Catalogue loaded(int n, int captionAt = -1)
{
    QList<QByteArray> list;
    for (int i = 0; i < n; ++i)
        list << QByteArray::number(i) + "\t" + (i == captionAt ? g("标题") : "f" + QByteArray::number(i) + "|" + g("图") + "|t");
    Catalogue cat;
    cat.reset({{"c", "f", ".jpg"}, {"d", "e f", ".jpg"}});
    cat.categories[0].items = RecordList::fromList(list);
    cat.categories[0].taken = MarkList(n);
    return cat;
}

} // namespace

TEST(Catalogue, SixAddressesThreePerCarrierAndFoldersPercentEncoded)
{
    Catalogue cat = loaded(0);
    cat.servers = ServerTable::forHosts("h1", "h2", 16990);
    ASSERT_EQ(cat.servers.size(), 6);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cat.servers.url(i), QStringLiteral("http://h1:16990/"));
        EXPECT_EQ(cat.servers.url(i + 3), QStringLiteral("http://h2:16990/"));
    }
    EXPECT_EQ(cat.pictureFolderUrl(1), QStringLiteral("http://h1:16990/e%20f/"));
}

TEST(Catalogue, NamesAreFoundByFileNameAndPicksBuiltFromThemInOrder)
{
    Catalogue cat = loaded(10, 0);
    EXPECT_EQ(cat.itemName(2), "f2");
    EXPECT_EQ(cat.itemName(0), g("标题")); // a caption row gives its whole text
    EXPECT_EQ(cat.itemName(99), "");
    EXPECT_EQ(cat.findItemByName("f3"), 3);
    EXPECT_EQ(cat.findItemByName("F3"), -1);
    EXPECT_EQ(cat.findItemByName("nope"), -1);

    // Blanks skipped, repeats kept, an unknown name fails the whole.
    const auto picked = cat.buildSelectRecords(0, {"f7", " ", "", "\t\x01", "f2", "f7"});
    ASSERT_TRUE(picked.has_value());
    ASSERT_EQ(picked->size(), 3);
    EXPECT_TRUE(picked->at(0).startsWith("7\t") && picked->at(1).startsWith("2\t") && picked->at(2).startsWith("7\t"));
    EXPECT_FALSE(cat.buildSelectRecords(0, {"f1", "gone"}).has_value());
    EXPECT_TRUE(cat.buildSelectRecords(0, {})->isEmpty());
}

TEST(Catalogue, MarksGrowWithTheCategoryButNeverPastItsRecords)
{
    Catalogue cat = loaded(3);
    EXPECT_FALSE(cat.isTaken(1, 0)); // a category never loaded
    cat.markTaken(0, 1);
    EXPECT_TRUE(cat.isTaken(0, 1));
    EXPECT_FALSE(cat.isTaken(0, 0));
    // A later load brought more records than the marks were sized for.
    cat.categories[0].items = loaded(60).items(0);
    EXPECT_FALSE(cat.isTaken(0, 50));
    cat.markTaken(0, 50);
    EXPECT_TRUE(cat.isTaken(0, 50));
    EXPECT_EQ(cat.categories[0].taken->size(), 51);
    // A record claiming a huge id must not grow the marks to 2^31 entries.
    cat.markTaken(0, 2147483647);
    cat.markTaken(0, -1);
    EXPECT_EQ(cat.categories[0].taken->size(), 51);
}
