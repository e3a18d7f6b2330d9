#include "download/download_names.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using kestrin::test::g;

TEST(DownloadNames, UrlCacheAndTargetFromTheNameSpec)
{
    auto plan = planDownload("http://h:1//kq/pic0/", "AB12|" + g("新图") + "|.jpg", "/save", false);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->url, "http://h:1//kq/pic0/AB12.jpg");
    EXPECT_EQ(plan->cacheName, "AB12.jpg");
    EXPECT_EQ(plan->targetPath, "/save/AB12.jpg");
    plan = planDownload("u/", "AB12|" + g("新图") + "|.jpg", "/save/", true);
    EXPECT_EQ(plan->targetPath, "/save/新图.jpg"); // one separator after a trailing one
    plan = planDownload("u/", "AB12|" + g("新图") + "|2010-04-01|.jpg", "C:\\pics\\", false);
    EXPECT_EQ(plan->targetPath, "C:\\pics/AB12.jpg"); // the grid's spec carries the time too
    EXPECT_EQ(plan->extension, ".jpg");
}

TEST(DownloadNames, LongExtensionsStayWholeAndGbkNamesBecomeUnicode)
{
    auto plan = planDownload("u/", "P1|" + g("東億") + "|.jpeg", "/s", true);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->url, "u/P1.jpeg");
    EXPECT_EQ(plan->targetPath, "/s/東億.jpeg");
    plan = planDownload("u/", g("東") + "|x|.png", "/s", false);
    EXPECT_EQ(plan->url, "u/%96%7C.png"); // bytes as the server holds them
    EXPECT_EQ(plan->cacheName, "東.png");
    // No Chinese name: the file name is used rather than a bare extension.
    plan = planDownload("u/", "P2||.png", "/s", true);
    EXPECT_EQ(plan->targetPath, "/s/P2.png");
}

TEST(DownloadNames, SeparatorsDotsAndControlCharactersCannotEscape)
{
    EXPECT_EQ(localFileName("../../etc/passwd"), ".._.._etc_passwd");
    EXPECT_EQ(localFileName("a\\b"), "a_b");
    EXPECT_EQ(localFileName("a\tb\x01"), "a_b_");
    EXPECT_EQ(localFileName(".."), "");
    EXPECT_EQ(localFileName("."), "");
    EXPECT_FALSE(planDownload("u/", "..||", "/s", false));
    EXPECT_FALSE(planDownload("u/", "|x|.jpg", "/s", false));
    auto plan = planDownload("u/", "x|../../y|.jpg", "/s", true);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->targetPath, "/s/.._.._y.jpg");
    EXPECT_EQ(plan->url, "u/x.jpg");
}
