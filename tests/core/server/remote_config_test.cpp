#include "core/catalogue/catalogue.h"
#include "core/server/file_version.h"
#include "core/server/remote_config.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

struct Fetch
{
    ServedLibrary lib{{4, 12, 1}};
    Catalogue cat;
    ConfigLoader loader{cat};
    QSignalSpy loaded{&loader, &ConfigLoader::loaded};
    QSignalSpy unreachable{&loader, &ConfigLoader::unreachable};

    bool run(int dead)
    {
        cat.servers = lib.table(dead);
        loader.start();
        return waitUntil([this] { return !loaded.isEmpty() || !unreachable.isEmpty(); }, 20000);
    }
};

} // namespace

TEST(ConfigLoader, TheFirstAnsweringAddressWinsAndStaysInUse)
{
    Fetch f;
    ASSERT_TRUE(f.run(3));
    ASSERT_EQ(f.loaded.size(), 1);
    const auto config = f.loaded.first().first().value<RemoteConfig>();
    EXPECT_EQ(config.categories.size(), 4);
    EXPECT_FALSE(config.tip.isEmpty());
    EXPECT_EQ(f.cat.serverIndex, 3);
}

TEST(ConfigLoader, NoUsableAnswerFromAnyOfTheSixIsUnreachable)
{
    for (const char *fault : {"/kq/config.xml status=404", "/kq/config.xml truncate=20", "/kq/config.xml drop",
                              "/kq/config.xml status=302 location=/kq/Page0.dat"}) {
        Fetch f;
        f.lib.server().setFaults({*library::FaultRule::parse(fault, nullptr)});
        ASSERT_TRUE(f.run(0));
        EXPECT_EQ(f.unreachable.size(), 1) << fault;
        EXPECT_TRUE(f.loaded.isEmpty()) << fault;
        EXPECT_EQ(f.lib.server().log().size(), 6) << fault;
        EXPECT_EQ(f.cat.serverIndex, 5);
    }
    // A configuration the program cannot run on counts as no answer at all.
    Fetch cut;
    QFile file(cut.lib.root() + "/kq/config.xml");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("a|b|.jpg\r\n1.7.2.0|x\r\n");
    file.close();
    ASSERT_TRUE(cut.run(0));
    EXPECT_EQ(cut.unreachable.size(), 1);
}

TEST(FileVersion, ReadsTheVersionRecordOfAnExecutable)
{
    EXPECT_EQ(ownFileVersion(), "1.7.2.0");
    EXPECT_EQ(fileVersion(QCoreApplication::applicationFilePath()), "1.7.2.0");
    QTemporaryDir dir;
    QFile f(dir.path() + "/other");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // Built at run time so this test's own executable does not carry a second version record.
    const QByteArray marker = QByteArray("<<File") + "Version:";
    f.write("junk" + marker + ">>more" + marker + "2.0.0.1>>");
    f.close();
    EXPECT_EQ(fileVersion(f.fileName()), "2.0.0.1");
    EXPECT_EQ(fileVersion(dir.path() + "/missing"), "");
}

TEST(RemoteConfigParse, RejectsHalfConfigurationsAndKeepsCategoryNumbers)
{
    const QByteArray release = "1.7.2.0|http://up|" + g("提示") + "|" + g("公告") + "|extra";
    auto cfg = parseRemoteConfig(g("東区|kq/p0|.jpg,乙|kq/p1|.png,") + "\r\n" + release + "\r\n");
    ASSERT_TRUE(cfg.has_value());
    EXPECT_EQ(cfg->categories.size(), 2); // the trailing comma's empty entry is dropped
    EXPECT_EQ(cfg->categories[0].caption, g("東区"));
    EXPECT_EQ(cfg->categories[0].folder, "kq/p0");
    EXPECT_EQ(cfg->categories[0].extension, ".jpg");
    EXPECT_EQ(cfg->version, "1.7.2.0");
    EXPECT_EQ(cfg->tip, g("提示"));
    EXPECT_EQ(cfg->notice, g("公告"));

    cfg = parseRemoteConfig("a|f|.jpg,b,c|g|.png\r\n" + release);
    ASSERT_TRUE(cfg.has_value());
    ASSERT_EQ(cfg->categories.size(), 3);
    EXPECT_EQ(cfg->categories[1].caption, "b"); // keeps its place so Page2.dat stays category 2
    EXPECT_EQ(cfg->categories[1].folder, "");
    EXPECT_EQ(cfg->categories[2].extension, ".png");

    // An entry ending in a lone GBK lead byte (found by fuzzing): padded with bars, the first bar
    // became the second half of a character and the fields came out wrong.
    cfg = parseRemoteConfig("\x41\xd6\x0d\x0a\x31\x7c\x32\x7c\x33\x7c\x34");
    ASSERT_TRUE(cfg.has_value());
    ASSERT_EQ(cfg->categories.size(), 1);
    EXPECT_EQ(cfg->categories[0].caption, "A\xD6");
    EXPECT_EQ(cfg->categories[0].folder, "");
    EXPECT_EQ(cfg->categories[0].extension, "");
    EXPECT_EQ(cfg->notice, "4");

    EXPECT_FALSE(parseRemoteConfig("a|f|.jpg\r\n").has_value());
    EXPECT_FALSE(parseRemoteConfig("a|f|.jpg\r\n1.7.2.0|x|tip").has_value());
    EXPECT_FALSE(parseRemoteConfig("\r\n" + release).has_value());
    EXPECT_FALSE(parseRemoteConfig(",,\r\n" + release).has_value());
}
