// The configuration: fetched from the first of the six addresses that answers with something usable,
// parsed without losing a category's number, and the version it is compared with.
#include "core/catalogue/catalogue.h"
#include "core/server/build_config.h"
#include "core/server/file_version.h"
#include "core/server/remote_config.h"
#include "test_support.h"

#include <QSignalSpy>
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

TEST(ConfigLoader, TheFirstUsableAnswerWinsAndItsAddressStaysInUse)
{
    Fetch f;
    ASSERT_TRUE(f.run(3));
    ASSERT_EQ(f.loaded.size(), 1);
    const auto config = f.loaded[0][0].value<RemoteConfig>();
    EXPECT_EQ(config.categories.size(), 4);
    EXPECT_FALSE(config.tip.isEmpty());
    EXPECT_EQ(f.cat.serverIndex, 3);

    // No usable answer from any of the six: unreachable. A configuration the program cannot run on
    // counts as no answer at all.
    for (const char *fault : {"status=404", "truncate=20", "drop", "status=302 location=/kq/Page0.dat", ""}) {
        Fetch none;
        if (*fault)
            none.lib.setFaults({QStringLiteral("/kq/config.xml ") + fault});
        else
            ASSERT_TRUE(writeFile(none.lib.root() + "/kq/config.xml", "a|b|.jpg\r\n1.7.2.0|x\r\n"));
        ASSERT_TRUE(none.run(0));
        EXPECT_EQ(none.unreachable.size(), 1) << fault;
        EXPECT_TRUE(none.loaded.isEmpty()) << fault;
        EXPECT_EQ(none.lib.server().log().size(), 6) << fault;
        EXPECT_EQ(none.cat.serverIndex, 5) << fault;
    }
}

TEST(FileVersion, ReadsTheVersionRecordOfAnExecutable)
{
    EXPECT_EQ(ownFileVersion(), KESTRIN_VERSION);
    QTemporaryDir dir;
    // Built at run time so this test's own executable does not carry a second version record.
    const QByteArray marker = QByteArray("<<File") + "Version:";
    ASSERT_TRUE(writeFile(dir.filePath("other"), "junk" + marker + ">>more" + marker + "2.0.0.1>>"));
    EXPECT_EQ(fileVersion(dir.filePath("other")), "2.0.0.1");
    EXPECT_EQ(fileVersion(dir.filePath("missing")), "");
}

TEST(RemoteConfigParse, RejectsHalfConfigurationsAndKeepsCategoryNumbers)
{
    const QByteArray release = "1.7.2.0|http://up|" + g("提示") + "|" + g("公告") + "|extra";
    auto cfg = parseRemoteConfig(g("東区|kq/p0|.jpg,乙|kq/p1|.png,") + "\r\n" + release + "\r\n");
    ASSERT_TRUE(cfg.has_value());
    ASSERT_EQ(cfg->categories.size(), 2); // the trailing comma's empty entry is dropped
    EXPECT_EQ(cfg->categories[0].caption + cfg->categories[0].folder + cfg->categories[0].extension, g("東区") + "kq/p0.jpg");
    EXPECT_EQ(cfg->version + cfg->tip + cfg->notice, "1.7.2.0" + g("提示") + g("公告"));

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
    EXPECT_EQ(cfg->categories[0].folder + cfg->categories[0].extension, "");
    EXPECT_EQ(cfg->notice, "4");

    for (const QByteArray &half : {QByteArray("a|f|.jpg\r\n"), QByteArray("a|f|.jpg\r\n1.7.2.0|x|tip"), "\r\n" + release, ",,\r\n" + release})
        EXPECT_FALSE(parseRemoteConfig(half).has_value()) << half.constData();
}
