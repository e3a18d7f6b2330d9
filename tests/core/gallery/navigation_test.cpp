// Page buttons and slices, category buttons and what their clicks decide.
#include "core/catalogue/catalogue.h"
#include "core/gallery/navigation.h"
#include "test_support.h"

#include <QRect>

#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::navigation;
using kestrin::test::g;
using kestrin::test::makeRecords;

TEST(Navigation, PageButtonsFollowTheCategorySize)
{
    const struct
    {
        qsizetype records;
        int buttons;
    } cases[] = {{0, 1}, {1, 2}, {240, 2}, {241, 3}, {100000, 418}};
    for (const auto &c : cases) {
        const QList<BarEntry> entries = pageEntries(c.records);
        ASSERT_EQ(entries.size(), c.buttons) << c.records;
        EXPECT_EQ(entries[0].caption, QString::fromUtf8("全部"));
        EXPECT_TRUE(entries[0].checked);
        EXPECT_EQ(entries.last().tag, c.buttons - 1);
    }
    const QList<BarEntry> three = pageEntries(241);
    EXPECT_EQ(QRect(three[0].left, 0, three[0].width, 1), QRect(10, 0, 45, 1));
    EXPECT_EQ(three[1].caption, QString::fromUtf8("第1页"));
    EXPECT_EQ(three[1].left, 58);
    EXPECT_EQ(three[2].left, 106);
    EXPECT_FALSE(three[2].checked);
}

TEST(Navigation, PagesSliceTheCategoryAndAPastTheEndPageKeepsTheGrid)
{
    const RecordList all = RecordList::fromList(makeRecords(481));
    EXPECT_EQ(pageRecords(all, 0)->size(), 481);
    EXPECT_EQ(pageRecords(all, 1)->size(), 240);
    ASSERT_EQ(pageRecords(all, 3)->size(), 1);
    EXPECT_EQ(pageRecords(all, 3)->at(0), all.at(480));
    EXPECT_EQ(pageRecords(all, 2)->at(0), all.at(240));
    EXPECT_FALSE(pageRecords(all, 4).has_value());
}

TEST(Navigation, CategoryButtonsAreSizedFromGbkLengthsAndClicksDecideWhatReloads)
{
    EXPECT_EQ(captionWidth(QString::fromUtf8("建筑图纸")), 60);
    EXPECT_EQ(captionWidth("A"), 15);
    EXPECT_EQ(captionWidth(QString::fromUtf8("A图")), 30);
    const QList<ButtonPlace> places = categoryButtonPlaces({QString::fromUtf8("建筑图纸"), "A", QString::fromUtf8("A图")});
    ASSERT_EQ(places.size(), 3);
    EXPECT_EQ(places[0].left, 5);
    EXPECT_EQ(places[1].left, 70);
    EXPECT_EQ(places[2].left, 90);

    EXPECT_EQ(categoryClick(3, 3, 0, 0), CategoryClick::ToggleZone);
    EXPECT_EQ(categoryClick(1, 3, 0, 2), CategoryClick::Switch);
    EXPECT_EQ(categoryClick(0, 3, 0, 2), CategoryClick::Ignore);
    EXPECT_EQ(categoryClick(0, 3, 0, kSearchPage), CategoryClick::Switch); // search results: reload
}
