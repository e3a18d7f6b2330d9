// The download dialog in the real window: what it saves and opens, byte for byte, and what it leaves
// behind when the transfer fails or the user cancels it.
#include "window_harness.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

// A window whose download dialogs are answered by pressing one of the dialog's buttons.
struct DialogRun : WindowHarness
{
    using Button = QPushButton *(DownloadDialog::*)() const;
    explicit DialogRun(Button press, const QList<QByteArray> &records = {}) : WindowHarness({1, 12, 1})
    {
        if (!records.isEmpty())
            writePage(0, records, {"0"});
        onDialog = [this, press](DownloadDialog &d) {
            plan = d.plan().value_or(DownloadPlan{});
            if (dialogs == 1)
                saveScreen(&d, "download-dialog");
            (d.*press)()->click();
            buttonsEnabledAfter = {d.openButton()->isEnabled(), d.saveButton()->isEnabled()};
        };
        start();
    }
    DownloadPlan plan; // of the last dialog
    QList<bool> buttonsEnabledAfter;

    MainWindow &w() { return *window; }
    void clickRecord(int k)
    {
        clickCell(window->galleryPage()->pictureGrid(), k);
        EXPECT_TRUE(waitDialogClosed());
    }
    QByteArray served(int k)
    {
        const CategoryEntry &e = window->catalogue().categories[0].entry;
        return library::picturePath(lib.root(), {{}, e.folder, e.extension}, fileNameAt(*window, k));
    }
};

} // namespace

TEST(DownloadDialog, SaveWritesTheServersBytesUnderTheChosenName)
{
    DialogRun run(&DownloadDialog::saveButton);
    MainWindow &w = run.w();
    run.clickRecord(2);
    ASSERT_EQ(run.dialogs, 1);
    const CategoryEntry &e = w.catalogue().categories[0].entry;
    const QString name = QString::fromLatin1(fileNameAt(w, 2)) + gbk::decode(e.extension);
    EXPECT_EQ(run.plan.targetPath, run.desktop() + "/" + name);
    EXPECT_EQ(run.plan.url, w.catalogue().baseUrl() + gbk::decode(e.folder) + "/" + name);
    EXPECT_EQ(readAll(run.plan.targetPath), readBytes(run.served(2)));
    EXPECT_EQ(run.buttonsEnabledAfter, (QList<bool>{false, false}));
    EXPECT_TRUE(w.catalogue().isTaken(0, 2));

    w.chineseNamesBox()->click();
    run.clickRecord(3);
    const PictureRecord rec3 = PictureRecord::parse(w.catalogue().items(0).at(3));
    EXPECT_EQ(run.plan.targetPath, run.desktop() + "/" + gbk::decode(rec3.chineseName) + gbk::decode(e.extension));
    EXPECT_EQ(readAll(run.plan.targetPath), readBytes(run.served(3)));
    EXPECT_TRUE(run.prompts.shown.isEmpty());
}

TEST(DownloadDialog, SavingOverAFileAsksAndNoARedirectAFailedTransferOrAFullDiskKeepsIt)
{
    DialogRun run(&DownloadDialog::saveButton);
    run.clickRecord(1);
    const QString target = run.plan.targetPath;
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("mine");
    old.close();

    run.prompts.answers = {false};
    run.clickRecord(1);
    EXPECT_EQ(run.prompts.shown, QStringList{"warn: " + target + "已存在。\n要替换它吗?"});
    EXPECT_EQ(readAll(target), "mine");

    // A cut transfer, or a redirect to another file, replaces nothing, leaves no partial file and
    // says it failed.
    for (const char *fault : {"/kq/pic* truncate=10", "/kq/pic0/* status=302 location=/kq/config.xml"}) {
        run.setFaults({fault});
        run.prompts.answers = {true};
        run.prompts.shown.clear();
        run.clickRecord(1);
        EXPECT_EQ(readAll(target), "mine") << fault;
        EXPECT_EQ(QDir(run.desktop()).entryList(QDir::Files | QDir::Hidden).size(), 1) << fault;
        EXPECT_EQ(run.prompts.shown.filter("message: 下载失败：").size(), 1) << run.prompts.shown.join('\n').toStdString();
    }
    run.lib.server().clearFaults();
    // A disk that fills up during the transfer replaces nothing either.
    run.prompts.answers = {true};
    run.prompts.shown.clear();
    withFileSizeLimit(100, [&] { return run.clickRecord(1), true; });
    EXPECT_EQ(readAll(target), "mine");
    EXPECT_EQ(run.prompts.shown.filter("message: 下载失败：").size(), 1) << run.prompts.shown.join('\n').toStdString();
    run.prompts.answers = {true};
    run.clickRecord(1);
    EXPECT_EQ(readAll(target), readBytes(run.served(1)));
}

TEST(DownloadDialog, OpenFetchesIntoTheCacheAndHandsItToTheShell)
{
    DialogRun run(&DownloadDialog::openButton);
    run.clickRecord(2);
    const QString copy = run.home.filePath("cache") + "/" + run.plan.cacheName;
    EXPECT_EQ(run.shell.opened, QStringList{copy});
    EXPECT_EQ(readAll(copy), readBytes(run.served(2)));
    EXPECT_TRUE(run.shell.openedWith.isEmpty());

    // Nothing opens this type: our chooser is offered. A stale copy is never reopened after a failure.
    run.shell.canOpen = false;
    run.clickRecord(2);
    EXPECT_EQ(run.shell.openedWith, QStringList{copy});
    run.setFaults({"/kq/pic* status=404"});
    run.clickRecord(2);
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(run.shell.openedWith.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(run.plan.targetPath));
}

TEST(DownloadDialog, CancelDownloadsNothingYetMarksThePictureAndStopsATransferAtOnce)
{
    DialogRun run(&DownloadDialog::cancelButton);
    run.lib.server().clearLog();
    run.clickRecord(3);
    EXPECT_EQ(run.dialogs, 1);
    EXPECT_TRUE(run.lib.server().log().isEmpty());
    EXPECT_TRUE(run.w().catalogue().isTaken(0, 3));
    EXPECT_TRUE(QDir(run.desktop()).entryList(QDir::Files).isEmpty());

    // A picture that trickles in: "取消" during the transfer closes the dialog and writes nothing.
    run.setFaults({"/kq/pic* drip=200"});
    run.onDialog = [](DownloadDialog &d) { d.saveButton()->click(); };
    clickCell(run.w().galleryPage()->pictureGrid(), 4);
    ASSERT_TRUE(run.lastDialog);
    EXPECT_TRUE(waitUntil([&] { return run.lastDialog->progressBar()->value() > 0; }, 5000));
    EXPECT_TRUE(run.lastDialog->isTransferring());
    run.lastDialog->cancelButton()->click();
    EXPECT_TRUE(run.waitDialogClosed(500));
    QTest::qWait(300);
    EXPECT_TRUE(QDir(run.desktop()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(run.w().catalogue().isTaken(0, 4));
}

// The window's one check of what the download names hold in detail (catalogue_tests).
TEST(DownloadDialog, ServerNamesNeverLeaveTheSaveFolder)
{
    DialogRun run(&DownloadDialog::saveButton, {"0\t../../escape|" + g("逃") + "|t", "1\t..|" + g("点") + "|t"});
    run.clickRecord(0);
    EXPECT_EQ(QFileInfo(run.plan.targetPath).absolutePath(), QFileInfo(run.desktop()).absoluteFilePath());
    EXPECT_FALSE(QFileInfo::exists(run.home.filePath("escape.jpg")));
}
