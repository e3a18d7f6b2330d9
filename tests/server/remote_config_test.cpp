#include "catalogue/catalogue.h"
#include "server/file_version.h"
#include "server/remote_config.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

void writeConfig(const QString &root, const QByteArray &version)
{
    QFile f(root + "/kq/config.xml");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(g("甲|kq/pic0|.jpg,東|kq/pic1|.png") + "\r\n" + version + "|http://upgrade.example/|" + g("提示") + "|" +
            g("公告") + "\r\n");
}

} // namespace

TEST(LoadConfig, FirstAnsweringAddressWinsAndSizesTheCatalogue)
{
    ServedLibrary lib{{4, 12, 1}};
    Catalogue cat;
    cat.ServerUrls = lib.table(3);
    ScriptedPrompts prompts;
    RecordingShell shell;
    RecordingLifecycle life;
    const ConfigResult r = LoadConfig(cat, prompts, shell, life, "1.7.2.0");
    EXPECT_EQ(r.outcome, ConfigOutcome::Loaded);
    EXPECT_EQ(cat.ServerIndex, 3);
    EXPECT_EQ(cat.count(), 4);
    EXPECT_EQ(cat.CateSelect.size(), 4u);
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_FALSE(life.terminating());
    EXPECT_FALSE(r.config.tip.isEmpty());
}

TEST(LoadConfig, NoAnsweringAddressEndsWithTheMessageAfterSixTries)
{
    ServedLibrary lib{{4, 12, 1}};
    lib.server().setFaults({*library::FaultRule::parse("/kq/config.xml status=404", nullptr)});
    Catalogue cat;
    cat.ServerUrls = lib.table(0);
    ScriptedPrompts prompts;
    RecordingShell shell;
    RecordingLifecycle life;
    const ConfigResult r = LoadConfig(cat, prompts, shell, life, "1.7.2.0");
    EXPECT_EQ(r.outcome, ConfigOutcome::Unreachable);
    EXPECT_EQ(prompts.shown, QStringList{QString::fromUtf8("message: 无法连接Kestrin服务器,请与管理员联系!")});
    EXPECT_TRUE(life.terminating());
    EXPECT_EQ(lib.server().log().size(), 6);
    EXPECT_EQ(cat.count(), 0);
}

TEST(LoadConfig, DifferingVersionAsksAndOnlyYesOpensTheUpgrade)
{
    for (const QByteArray version : {QByteArray("1.7.3.0"), QByteArray("1.7.2"), QByteArray("1.7.1.0")}) {
        ServedLibrary lib{{4, 12, 1}};
        writeConfig(lib.root(), version);
        for (const bool yes : {true, false}) {
            Catalogue cat;
            cat.ServerUrls = lib.table(0);
            ScriptedPrompts prompts;
            prompts.answers = {yes};
            RecordingShell shell;
            RecordingLifecycle life;
            const ConfigResult r = LoadConfig(cat, prompts, shell, life, "1.7.2.0");
            EXPECT_EQ(prompts.shown, QStringList{QString::fromUtf8("confirm: Kestrin发现新的版本，是否立即升级？")});
            EXPECT_EQ(r.outcome, yes ? ConfigOutcome::UpgradeAccepted : ConfigOutcome::Loaded);
            EXPECT_EQ(shell.opened, yes ? QStringList{"http://upgrade.example/"} : QStringList{});
            EXPECT_EQ(life.terminating(), yes);
            EXPECT_EQ(cat.count(), 2) << "the catalogue is sized either way";
        }
    }
}

TEST(LoadConfig, ACutConfigurationCountsAsNoAnswer)
{
    ServedLibrary lib{{4, 12, 1}};
    QFile f(lib.root() + "/kq/config.xml");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("a|b|.jpg\r\n1.7.2.0|x\r\n");
    f.close();
    Catalogue cat;
    cat.ServerUrls = lib.table(0);
    ScriptedPrompts prompts;
    RecordingShell shell;
    RecordingLifecycle life;
    EXPECT_EQ(LoadConfig(cat, prompts, shell, life, "1.7.2.0").outcome, ConfigOutcome::Unreachable);
    EXPECT_EQ(cat.count(), 0);
}

TEST(FileVersion, ReadsTheVersionRecordOfAnExecutable)
{
    EXPECT_EQ(ownFileVersion(), "1.7.2.0");
    EXPECT_EQ(GetFileVersion(QCoreApplication::applicationFilePath()), "1.7.2.0");
    QTemporaryDir dir;
    QFile f(dir.path() + "/other");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // Built at run time so this test's own executable does not carry a second version record.
    const QByteArray marker = QByteArray("<<File") + "Version:";
    f.write("junk" + marker + ">>more" + marker + "2.0.0.1>>");
    f.close();
    EXPECT_EQ(GetFileVersion(f.fileName()), "2.0.0.1");
    EXPECT_EQ(GetFileVersion(dir.path() + "/missing"), "");
}
