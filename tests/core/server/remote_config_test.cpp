// The configuration: fetched from the first of the six addresses that answers with something usable, and
// the version it is compared with. How it parses: fuzz/remote_config.cpp (fuzz_remote_config_replay).
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
