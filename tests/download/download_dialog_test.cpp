#include "catalogue/records.h"
#include "catalogue/string_grid_model.h"
#include "download/download_dialog.h"
#include "library_files.h"
#include "window_harness.h"

#include <QCheckBox>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Starts a window whose dialogs are answered by pressing one of the dialog's buttons.
struct DialogRun
{
    WindowHarness h{{1, 12, 1}};
    QPushButton *TfrmDownload::*press = &TfrmDownload::BitBtn3;
    int dialogs = 0;
    QString target, cacheName, url;
    QList<bool> buttonsEnabledAfter;
    QString screen; // saved under this name when set

    TForm1 &start()
    {
        h.onModal = [this](QDialog &d) {
            auto &dlg = dynamic_cast<TfrmDownload &>(d);
            ++dialogs;
            dlg.show();
            target = dlg.TargetPath;
            cacheName = dlg.CacheName;
            url = dlg.DownloadUrl;
            if (!screen.isEmpty())
                saveScreen(&dlg, screen);
            (dlg.*press)->click();
            buttonsEnabledAfter = {dlg.BitBtn1->isEnabled(), dlg.BitBtn2->isEnabled()};
            return dlg.result();
        };
        return h.start();
    }

    void clickRecord(TForm1 &f, int k)
    {
        const QRect r = f.SGMain->visualRect(f.SGMainModel->index(k / 4, k % 4));
        QTest::mouseClick(f.SGMain->viewport(), Qt::LeftButton, {}, r.center());
    }

    QString served(TForm1 &f, int k)
    {
        const PictureRecord rec = PictureRecord::parse(f.cat.items(0).at(k));
        library::Category c{{}, f.cat.CateFolders[0], f.cat.CateExts[0]};
        return library::picturePath(h.lib.root(), c, rec.fileName.toByteArray());
    }
};

} // namespace

TEST(DownloadDialog, SaveWritesTheServersBytesUnderTheChosenName)
{
    DialogRun run;
    run.press = &TfrmDownload::BitBtn2;
    run.screen = "download-dialog";
    TForm1 &f = run.start();
    run.clickRecord(f, 2);
    ASSERT_EQ(run.dialogs, 1);
    const PictureRecord rec = PictureRecord::parse(f.cat.items(0).at(2));
    const QString name = gbk::decode(rec.fileName) + gbk::decode(f.cat.CateExts[0]);
    EXPECT_EQ(run.target, run.h.desktop() + "/" + name);
    EXPECT_EQ(run.url, f.cat.baseUrl() + gbk::decode(f.cat.CateFolders[0]) + "/" + name);
    EXPECT_EQ(readAll(run.target), readAll(run.served(f, 2)));
    EXPECT_EQ(run.buttonsEnabledAfter, (QList<bool>{false, false}));
    EXPECT_TRUE(f.cat.isMarked(0, 2));

    f.ChkChinese->setChecked(true);
    run.clickRecord(f, 3);
    const PictureRecord rec3 = PictureRecord::parse(f.cat.items(0).at(3));
    EXPECT_EQ(run.target, run.h.desktop() + "/" + gbk::decode(rec3.chineseName) + gbk::decode(f.cat.CateExts[0]));
    EXPECT_EQ(readAll(run.target), readAll(run.served(f, 3)));
    EXPECT_TRUE(run.h.prompts.shown.isEmpty());
}

TEST(DownloadDialog, SavingOverAFileAsksAndNoOrAFailedTransferKeepsIt)
{
    DialogRun run;
    run.press = &TfrmDownload::BitBtn2;
    TForm1 &f = run.start();
    run.clickRecord(f, 1);
    const QString target = run.target;
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("mine");
    old.close();

    run.h.prompts.answers = {false};
    run.clickRecord(f, 1);
    EXPECT_EQ(run.h.prompts.shown, QStringList{"warn: " + target + "已存在。\n要替换它吗?"});
    EXPECT_EQ(readAll(target), "mine");

    library::FaultRule cut;
    cut.glob = "/kq/pic*";
    cut.truncate = 10;
    run.h.lib.server().setFaults({cut});
    run.h.prompts.answers = {true};
    run.clickRecord(f, 1);
    EXPECT_EQ(readAll(target), "mine"); // a cut transfer replaces nothing
    EXPECT_EQ(QDir(run.h.desktop()).entryList(QDir::Files).size(), 1); // and leaves no partial file

    run.h.lib.server().clearFaults();
    run.h.prompts.answers = {true};
    run.clickRecord(f, 1);
    EXPECT_EQ(readAll(target), readAll(run.served(f, 1)));
}

TEST(DownloadDialog, OpenFetchesIntoTheCacheAndHandsItToTheShell)
{
    DialogRun run;
    run.press = &TfrmDownload::BitBtn1;
    TForm1 &f = run.start();
    run.clickRecord(f, 2);
    const QString copy = run.h.home.filePath("cache") + "/" + run.cacheName;
    EXPECT_EQ(run.h.shell.opened, QStringList{copy});
    EXPECT_EQ(readAll(copy), readAll(run.served(f, 2)));
    EXPECT_TRUE(run.h.shell.openedWith.isEmpty());

    // Nothing opens this type: our chooser is offered. A stale copy is never reopened after a failure.
    run.h.shell.canOpen = false;
    run.clickRecord(f, 2);
    EXPECT_EQ(run.h.shell.openedWith, QStringList{copy});
    library::FaultRule gone;
    gone.glob = "/kq/pic*";
    gone.status = 404;
    run.h.lib.server().setFaults({gone});
    run.clickRecord(f, 2);
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(run.h.shell.openedWith.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(run.target));
}

TEST(DownloadDialog, CancelDownloadsNothingButMarksThePicture)
{
    DialogRun run;
    TForm1 &f = run.start();
    run.h.lib.server().clearLog();
    run.clickRecord(f, 3);
    EXPECT_EQ(run.dialogs, 1);
    EXPECT_TRUE(run.h.lib.server().log().isEmpty());
    EXPECT_TRUE(f.cat.isMarked(0, 3));
    EXPECT_TRUE(QDir(run.h.desktop()).entryList(QDir::Files).isEmpty());
}

TEST(DownloadDialog, ServerNamesNeverLeaveTheSaveFolder)
{
    DialogRun run;
    run.press = &TfrmDownload::BitBtn2;
    run.h.writePage(0, {"0\t../../escape|" + g("逃") + "|t", "1\t..|" + g("点") + "|t"}, {"0"});
    TForm1 &f = run.start();
    run.clickRecord(f, 0);
    EXPECT_EQ(QFileInfo(run.target).absolutePath(), QFileInfo(run.h.desktop()).absoluteFilePath());
    EXPECT_FALSE(QFileInfo::exists(run.h.home.filePath("escape.jpg")));
    f.cat.CateExts[0] = "";
    run.clickRecord(f, 1); // ".." with no extension: not a usable name, nothing is written
    EXPECT_TRUE(run.target.isEmpty());
    EXPECT_TRUE(QDir(run.h.home.path()).entryList(QDir::Files).filter("settings").isEmpty());
}
