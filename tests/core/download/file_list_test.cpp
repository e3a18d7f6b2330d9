// The file list's order and its hidden filter.
#include "core/download/file_list.h"

#include <gtest/gtest.h>

using namespace kestrin;

TEST(FileList, SortsDescendingByteWiseWithLettersFoldedToUpperCase)
{
    EXPECT_LT(compareFolded("abc", "ABD"), 0);
    EXPECT_EQ(compareFolded("abc", "ABC"), 0);
    EXPECT_LT(compareFolded("ab", "abc"), 0); // a text that starts another is the smaller
    EXPECT_GT(compareFolded("\xB0\xA1", "z"), 0); // other bytes by value
    EXPECT_GT(compareFolded("_", "a"), 0);        // "a" counts as "A" (0x41), below "_" (0x5F)
    const LatestRow a{"a1", "x", "2026-01-02", "", "1"}, b{"B2", "y", "2026-01-03", "", "2"};
    EXPECT_TRUE(fileRowBefore(b, a, 1)); // the later time first
    EXPECT_TRUE(fileRowBefore(b, a, 0)); // "B2  y" after "A1  x"
    EXPECT_FALSE(fileRowBefore(a, a, 0));

    // The hidden option keeps the picks that stand among the latest entries, as text.
    EXPECT_EQ(filterPresentKeys({"12", "x", "", "7"}, {"7", "12", "3"}), (QList<QByteArray>{"12", "7"}));
}
