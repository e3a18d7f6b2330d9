#include "catalogue/string_grid_model.h"
#include "library_files.h"
#include "window_harness.h"

#include <QTabBar>
#include <QTableView>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

QList<QToolButton *> pageButtons(const TForm1 &f)
{
    QList<QToolButton *> out = f.Panel6->findChildren<QToolButton *>(Qt::FindDirectChildrenOnly);
    std::sort(out.begin(), out.end(), [](auto *a, auto *b) { return a->x() < b->x(); });
    return out;
}

int requestsFor(WindowHarness &h, const QString &path) { return int(h.lib.server().log().filter(path).size()); }

} // namespace

TEST(Navigation, PageButtonsFollowTheCategorySizeAndPagesSliceTheGrid)
{
    WindowHarness h({3, 10, 1});
    h.writePage(0, makeRecords(241), {"1"});
    h.writePage(1, makeRecords(240), {"1"});
    library::FaultRule missing;
    missing.glob = "/kq/Page2.dat";
    missing.status = 404;
    h.lib.server().setFaults({missing});
    TForm1 &f = h.start();
    ASSERT_TRUE(h.started);

    QList<QToolButton *> pages = pageButtons(f);
    ASSERT_EQ(pages.size(), 3);
    EXPECT_EQ(pages[0]->text(), "全部");
    EXPECT_TRUE(pages[0]->isChecked());
    EXPECT_EQ(pages[0]->geometry(), QRect(10, 8, 45, 24));
    EXPECT_EQ(pages[1]->text(), "第1页");
    EXPECT_EQ(pages[1]->x(), 58);
    EXPECT_EQ(pages[2]->text(), "第2页");
    EXPECT_EQ(pages[2]->x(), 106);

    pages[2]->click();
    EXPECT_EQ(f.CurPage, 2);
    EXPECT_TRUE(pages[2]->isChecked());
    EXPECT_FALSE(pages[0]->isChecked());
    EXPECT_EQ(f.SGMainModel->recordCount(), 1);
    EXPECT_EQ(f.SGMainModel->cell(0, 0).toByteArray(), makeRecords(241)[240]);
    pages[1]->click();
    EXPECT_EQ(f.SGMainModel->recordCount(), 240);
    pages[0]->click();
    EXPECT_EQ(f.SGMainModel->recordCount(), 241);

    f.CateButtons[1]->click();
    EXPECT_EQ(f.cat.CurCate, 1);
    EXPECT_EQ(f.CurPage, 0);
    EXPECT_EQ(requestsFor(h, "/kq/Page1.dat"), 1);
    EXPECT_EQ(pageButtons(f).size(), 2);
    EXPECT_EQ(f.SGMainModel->recordCount(), 240);
    EXPECT_TRUE(f.CateButtons[1]->font().bold());
    EXPECT_EQ(f.CateButtons[1]->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
    EXPECT_FALSE(f.CateButtons[0]->font().bold());
    EXPECT_EQ(f.CateButtons[0]->palette().color(QPalette::ButtonText), QColor(0, 0, 0));
    EXPECT_FALSE(f.CateButtons[0]->isChecked());
    EXPECT_EQ(f.tbcSoftCate->currentIndex(), 1);
    EXPECT_TRUE(f.SoftCateButtons[1]->isChecked());
    EXPECT_TRUE(f.SoftCateButtons[1]->font().bold());

    f.CateButtons[2]->click(); // its page is missing: an empty category
    EXPECT_EQ(pageButtons(f).size(), 1);
    EXPECT_EQ(f.SGMainModel->rowCount(), 1);
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    saveScreen(&f, "empty-category");
}

TEST(Navigation, TheCurrentCategoryReloadsOnlyWhileSearchResultsAreShown)
{
    WindowHarness h({2, 300, 1});
    TForm1 &f = h.start();
    pageButtons(f)[2]->click();
    f.CateButtons[0]->click();
    EXPECT_EQ(requestsFor(h, "/kq/Page0.dat"), 1);
    EXPECT_EQ(f.CurPage, 2);
    EXPECT_EQ(f.SGMainModel->recordCount(), 60);

    f.CurPage = 99;
    f.CateButtons[0]->click();
    EXPECT_EQ(requestsFor(h, "/kq/Page0.dat"), 2);
    EXPECT_EQ(f.CurPage, 0);
    EXPECT_TRUE(pageButtons(f)[0]->isChecked());
    EXPECT_EQ(f.SGMainModel->recordCount(), 300);

    QToolButton *zone = f.CateButtons.last();
    zone->click();
    EXPECT_FALSE(zone->isChecked()); // the zone button never stays down
    EXPECT_EQ(f.cat.CurCate, 0);
}

TEST(Navigation, CategoryButtonWidthsComeFromGbkLengths)
{
    WindowHarness h({3, 4, 1});
    QList<library::Category> cats;
    QByteArray release;
    QString error;
    ASSERT_TRUE(library::readConfig(h.lib.root(), &cats, &release, &error));
    cats[0].name = g("建筑图纸");
    cats[1].name = "A";
    cats[2].name = g("A图");
    ASSERT_TRUE(library::writeConfig(h.lib.root(), cats, release, &error));
    TForm1 &f = h.start();
    ASSERT_EQ(f.CateButtons.size(), 4);
    EXPECT_EQ(f.CateButtons[0]->geometry(), QRect(5, 9, 60, 24));
    EXPECT_EQ(f.CateButtons[1]->geometry(), QRect(70, 9, 15, 24));
    EXPECT_EQ(f.CateButtons[2]->geometry(), QRect(90, 9, 30, 24));
    EXPECT_EQ(f.CateButtons[3]->x(), 125);
    EXPECT_EQ(f.CateButtons[3]->width(), 90);
    EXPECT_EQ(f.CateButtons[2]->text(), "A图");
    EXPECT_EQ(f.cat.CateFolders[1], cats[1].folder);
    EXPECT_EQ(f.cat.CateExts[2], cats[2].ext);

    EXPECT_EQ(f.tbcSoftCate->count(), 3);
    EXPECT_EQ(f.tbcSoftCate->tabText(0), "建筑图纸");
    ASSERT_EQ(f.SoftCateButtons.size(), 4);
    EXPECT_EQ(f.SoftCateButtons[3]->text(), "自选专区");
    EXPECT_EQ(f.SoftCateButtons[0]->x(), 5);
    EXPECT_EQ(f.SoftCateButtons[2]->x(), 162);
    for (QToolButton *twin : f.SoftCateButtons)
        EXPECT_TRUE(twin->isHidden());
}
