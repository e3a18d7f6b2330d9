// Page buttons and slices, category buttons and what their clicks decide.
#include "core/catalogue/catalogue.h"
#include "core/gallery/navigation.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::navigation;

TEST(Navigation, PageButtonsFollowTheCategorySizeAndSliceIt)
{
    for (const auto &[records, buttons] : {std::pair{0, 1}, {1, 2}, {240, 2}, {241, 3}, {100000, 418}}) {
        const QList<BarEntry> entries = pageEntries(records);
        ASSERT_EQ(entries.size(), buttons) << records;
        EXPECT_TRUE(entries[0].caption == QString::fromUtf8("全部") && entries[0].checked);
        EXPECT_EQ(entries.last().tag, buttons - 1);
    }
    const QList<BarEntry> three = pageEntries(241);
    EXPECT_EQ(three[1].caption, QString::fromUtf8("第1页"));
    EXPECT_EQ(QList<int>({three[0].left, three[0].width, three[1].left, three[2].left}), QList<int>({10, 45, 58, 106}));

    const RecordList all = RecordList::fromList(kestrin::test::makeRecords(481));
    EXPECT_EQ(pageRecords(all, 0)->size(), 481);
    EXPECT_EQ(pageRecords(all, 1)->size(), 240);
    EXPECT_EQ(pageRecords(all, 2)->at(0), all.at(240));
    ASSERT_EQ(pageRecords(all, 3)->size(), 1);
    EXPECT_EQ(pageRecords(all, 3)->at(0), all.at(480));
    EXPECT_FALSE(pageRecords(all, 4).has_value()); // past the end: the grid keeps what it shows
}

TEST(Navigation, CategoryButtonsAreSizedFromGbkLengthsAndClicksDecideWhatReloads)
{
    const QList<ButtonPlace> places = categoryButtonPlaces({QString::fromUtf8("建筑图纸"), "A", QString::fromUtf8("A图")});
    ASSERT_EQ(places.size(), 3);
    EXPECT_EQ(QList<int>({places[0].width, places[1].width, places[2].width}), QList<int>({60, 15, 30}));
    EXPECT_EQ(QList<int>({places[0].left, places[1].left, places[2].left}), QList<int>({5, 70, 90}));

    EXPECT_EQ(categoryClick(3, 3, 0, 0), CategoryClick::ToggleZone);
    EXPECT_EQ(categoryClick(1, 3, 0, 2), CategoryClick::Switch);
    EXPECT_EQ(categoryClick(0, 3, 0, 2), CategoryClick::Ignore);
    EXPECT_EQ(categoryClick(0, 3, 0, kSearchPage), CategoryClick::Switch); // search results: reload
}
