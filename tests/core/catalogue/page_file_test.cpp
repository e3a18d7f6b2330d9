// What a load and a change file leave in the catalogue. How a page splits: fuzz/page_file.cpp (fuzz_page_file_replay).
#include "core/catalogue/catalogue.h"
#include "core/catalogue/page_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;

TEST(PageFile, MarksSurviveReloadsAndChangeLinesFillTheBookkeeping)
{
    Catalogue cat;
    cat.reset({{"a", "b", ".jpg"}, {"c", "d", ".jpg"}});
    PageFile page;
    ASSERT_TRUE(parsePageFile("0\ta|x|t,1\tb|y|t,2\tc|z|t\r\n2\r\n", page));
    applyPage(cat, 1, page);
    cat.markTaken(1, 2);
    ASSERT_TRUE(parsePageFile("0\ta|x|t2,1\tb|y|t2,2\tc|zz|t2,3\td|w|t2\r\n3,2\r\n", page));
    applyPage(cat, 1, page);
    EXPECT_TRUE(cat.isTaken(1, 2));
    EXPECT_EQ(cat.categories[1].taken->size(), 3); // sized by the first load only
    EXPECT_EQ(cat.items(1).size(), 4);
    EXPECT_EQ(cat.latest(1), (QList<QByteArray>{"3", "2"}));

    applyChangeLines(cat, 1, {"B1", "17", "2026-12-01 10:00", "3,-2"});
    EXPECT_EQ(cat.changeBatch, "B1");
    EXPECT_EQ(cat.categories[1].serial, 17);
    EXPECT_EQ(cat.categories[1].updateTime, "2026-12-01 10:00");
    EXPECT_EQ(cat.changes(1), (QList<QByteArray>{"3", "-2"}));

    applyChangeLines(cat, 1, {"B2", "oops"}); // the batch counts; a serial that is no number does not
    EXPECT_EQ(cat.changeBatch, "B2");
    EXPECT_EQ(cat.categories[1].serial, 17);
    EXPECT_EQ(cat.categories[1].updateTime, "");
    EXPECT_EQ(cat.changes(1), QList<QByteArray>{""});
    applyChangeLines(cat, 1, {}); // no server answered: nothing changes
    EXPECT_EQ(cat.changeBatch, "B2");
}
