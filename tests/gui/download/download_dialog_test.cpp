// The download dialog in the real window: what it saves and opens, byte for byte, and what it leaves
// behind when the transfer fails or the user cancels it.
#include "core/catalogue/records.h"
#include "gui/download/download_dialog.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/picture_grid.h"
#include "library_files.h"
#include "window_harness.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

// A window whose download dialogs are answered by pressing one of the dialog's buttons.
struct DialogRun
{
    WindowHarness h{{1, 12, 1}};
    QPushButton *(DownloadDialog::*press)() const = &DownloadDialog::cancelButton;
    QString target, cacheName, url;
    QList<bool> buttonsEnabledAfter;
    QString screen; // saved under this name when set

    MainWindow &start()
    {
        h.onDialog = [this](DownloadDialog &d) {
            target = d.plan() ? d.plan()->targetPath : QString();
            cacheName = d.plan() ? d.plan()->cacheName : QString();
            url = d.plan() ? d.plan()->url : QString();
            if (!screen.isEmpty())
                saveScreen(&d, screen);
            (d.*press)()->click();
            buttonsEnabledAfter = {d.openButton()->isEnabled(), d.saveButton()->isEnabled()};
        };
        return h.start();
    }

    void clickRecord(MainWindow &w, int k)
    {
        PictureGrid *grid = w.galleryPage()->pictureGrid();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->cellRect(k % 4, k / 4).center());
        EXPECT_TRUE(h.waitDialogClosed());
    }

    QString served(MainWindow &w, int k)
    {
        const PictureRecord rec = PictureRecord::parse(w.catalogue().items(0).at(k));
        const CategoryEntry &e = w.catalogue().categories[0].entry;
        return library::picturePath(h.lib.root(), {{}, e.folder, e.extension}, rec.fileName.toByteArray());
    }
};

} // namespace

TEST(DownloadDialog, SaveWritesTheServersBytesUnderTheChosenName)
{
    DialogRun run;
    run.press = &DownloadDialog::saveButton;
    run.screen = "download-dialog";
    MainWindow &w = run.start();
    run.clickRecord(w, 2);
    ASSERT_EQ(run.h.dialogs, 1);
    const PictureRecord rec = PictureRecord::parse(w.catalogue().items(0).at(2));
    const CategoryEntry &e = w.catalogue().categories[0].entry;
    const QString name = gbk::decode(rec.fileName) + gbk::decode(e.extension);
    EXPECT_EQ(run.target, run.h.desktop() + "/" + name);
    EXPECT_EQ(run.url, w.catalogue().baseUrl() + gbk::decode(e.folder) + "/" + name);
    EXPECT_EQ(readAll(run.target), readAll(run.served(w, 2)));
    EXPECT_EQ(run.buttonsEnabledAfter, (QList<bool>{false, false}));
    EXPECT_TRUE(w.catalogue().isTaken(0, 2));

    w.chineseNamesBox()->setChecked(true);
    run.clickRecord(w, 3);
    const PictureRecord rec3 = PictureRecord::parse(w.catalogue().items(0).at(3));
    EXPECT_EQ(run.target, run.h.desktop() + "/" + gbk::decode(rec3.chineseName) + gbk::decode(e.extension));
    EXPECT_EQ(readAll(run.target), readAll(run.served(w, 3)));
    EXPECT_TRUE(run.h.prompts.shown.isEmpty());
}

TEST(DownloadDialog, SavingOverAFileAsksAndNoARedirectOrAFailedTransferKeepsIt)
{
    DialogRun run;
    run.press = &DownloadDialog::saveButton;
    MainWindow &w = run.start();
    run.clickRecord(w, 1);
    const QString target = run.target;
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("mine");
    old.close();

    run.h.prompts.answers = {false};
    run.clickRecord(w, 1);
    EXPECT_EQ(run.h.prompts.shown, QStringList{"warn: " + target + "已存在。\n要替换它吗?"});
    EXPECT_EQ(readAll(target), "mine");

    // A cut transfer, or a redirect to another file, replaces nothing, leaves no partial file and
    // says it failed.
    for (const char *fault : {"/kq/pic* truncate=10", "/kq/pic0/* status=302 location=/kq/config.xml"}) {
        run.h.setFaults({fault});
        run.h.prompts.answers = {true};
        run.h.prompts.shown.clear();
        run.clickRecord(w, 1);
        EXPECT_EQ(readAll(target), "mine") << fault;
        EXPECT_EQ(QDir(run.h.desktop()).entryList(QDir::Files | QDir::Hidden).size(), 1) << fault;
        EXPECT_EQ(run.h.prompts.shown.filter("message: 下载失败：").size(), 1) << run.h.prompts.shown.join('\n').toStdString();
    }
    run.h.lib.server().clearFaults();
    run.h.prompts.answers = {true};
    run.clickRecord(w, 1);
    EXPECT_EQ(readAll(target), readAll(run.served(w, 1)));
}

TEST(DownloadDialog, OpenFetchesIntoTheCacheAndHandsItToTheShell)
{
    DialogRun run;
    run.press = &DownloadDialog::openButton;
    MainWindow &w = run.start();
    run.clickRecord(w, 2);
    const QString copy = run.h.home.filePath("cache") + "/" + run.cacheName;
    EXPECT_EQ(run.h.shell.opened, QStringList{copy});
    EXPECT_EQ(readAll(copy), readAll(run.served(w, 2)));
    EXPECT_TRUE(run.h.shell.openedWith.isEmpty());

    // Nothing opens this type: our chooser is offered. A stale copy is never reopened after a failure.
    run.h.shell.canOpen = false;
    run.clickRecord(w, 2);
    EXPECT_EQ(run.h.shell.openedWith, QStringList{copy});
    run.h.setFaults({"/kq/pic* status=404"});
    run.clickRecord(w, 2);
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(run.h.shell.openedWith.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(run.target));
}

TEST(DownloadDialog, CancelDownloadsNothingYetMarksThePictureAndStopsATransferAtOnce)
{
    DialogRun run;
    MainWindow &w = run.start();
    run.h.lib.server().clearLog();
    run.clickRecord(w, 3);
    EXPECT_EQ(run.h.dialogs, 1);
    EXPECT_TRUE(run.h.lib.server().log().isEmpty());
    EXPECT_TRUE(w.catalogue().isTaken(0, 3));
    EXPECT_TRUE(QDir(run.h.desktop()).entryList(QDir::Files).isEmpty());

    // A picture that trickles in: "取消" during the transfer closes the dialog and writes nothing.
    run.h.setFaults({"/kq/pic* drip=200"});
    run.h.onDialog = [](DownloadDialog &d) { d.saveButton()->click(); };
    PictureGrid *grid = w.galleryPage()->pictureGrid();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->cellRect(0, 1).center());
    ASSERT_TRUE(run.h.lastDialog);
    EXPECT_TRUE(waitUntil([&] { return run.h.lastDialog->progressBar()->value() > 0; }, 5000));
    EXPECT_TRUE(run.h.lastDialog->isTransferring());
    run.h.lastDialog->cancelButton()->click();
    EXPECT_TRUE(run.h.waitDialogClosed(500));
    QTest::qWait(300);
    EXPECT_TRUE(QDir(run.h.desktop()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(w.catalogue().isTaken(0, 4));
}

TEST(DownloadDialog, ServerNamesNeverLeaveTheSaveFolder)
{
    DialogRun run;
    run.press = &DownloadDialog::saveButton;
    run.h.writePage(0, {"0\t../../escape|" + g("逃") + "|t", "1\t..|" + g("点") + "|t"}, {"0"});
    MainWindow &w = run.start();
    run.clickRecord(w, 0);
    EXPECT_EQ(QFileInfo(run.target).absolutePath(), QFileInfo(run.h.desktop()).absoluteFilePath());
    EXPECT_FALSE(QFileInfo::exists(run.h.home.filePath("escape.jpg")));
}
