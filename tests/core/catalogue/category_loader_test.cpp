// Loading a category from a real library server: the page, the change file with failover, and
// answers that come too late to matter.
#include "core/catalogue/catalogue.h"
#include "core/catalogue/category_loader.h"
#include "core/catalogue/change_merge.h"
#include "core/catalogue/latest_list_model.h"
#include "test_support.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

struct Loading
{
    ServedLibrary lib{{4, 30, 1}};
    Catalogue cat;
    CategoryLoader loader{cat};
    QSignalSpy finished{&loader, &CategoryLoader::finished};
    QSignalSpy failed{&loader, &CategoryLoader::changeServerFailed};
    QSignalSpy exhausted{&loader, &CategoryLoader::changeServersExhausted};

    explicit Loading(int dead = 0)
    {
        cat.servers = lib.table(dead);
        cat.reset({{"a", "kq/pic0", ".jpg"}, {"b", "kq/pic1", ".png"}, {"c", "kq/pic2", ".jpg"}, {"d", "kq/pic3", ".jpeg"}});
    }
    // Loads c to its end: whether it succeeded, or nothing when it did not end.
    std::optional<bool> load(int c)
    {
        finished.clear();
        loader.load(c);
        if (!finished.wait(20000))
            return std::nullopt;
        const QList<QVariant> r = finished.takeFirst(); // (category, ok, reason)
        EXPECT_EQ(r[0].toInt(), c);
        EXPECT_EQ(r[1].toBool(), r[2].toString().isEmpty()) << "a failure says why";
        return r[1].toBool();
    }
};

} // namespace

TEST(CategoryLoader, StoresThePageAndTheChangeFileAndAFailedPageLeavesNoRecordsButKeepsTheRest)
{
    Loading f;
    ASSERT_EQ(f.load(2), true);
    EXPECT_EQ(f.cat.items(2).size(), 30);
    EXPECT_EQ(f.cat.changeBatch, "B1-1");
    EXPECT_EQ(f.cat.categories[2].serial, 1);
    QStringList asked = f.lib.server().log();
    asked.sort();
    EXPECT_EQ(asked, (QStringList{"GET /kq/Changer2.dat 200 127.0.0.1", "GET /kq/Page2.dat 200 127.0.0.1"}));
    f.cat.markTaken(2, 4);
    const QList<QByteArray> latest = f.cat.latest(2);
    const QByteArray time = f.cat.categories[2].updateTime;
    ASSERT_FALSE(time.isEmpty());
    for (const char *fault : {"status=500", "truncate=100", "drop", "status=302 location=/kq/Page1.dat"}) {
        f.lib.setFaults({QStringLiteral("/kq/Page2.dat ") + fault});
        EXPECT_EQ(f.load(2), false) << fault;
        EXPECT_TRUE(f.cat.categories[2].items.has_value() && f.cat.items(2).isEmpty()) << fault;
        EXPECT_EQ(f.cat.latest(2), latest);
        EXPECT_EQ(f.cat.categories[2].updateTime, time);
        EXPECT_TRUE(f.cat.isTaken(2, 4));
    }
    EXPECT_EQ(f.lib.server().log().filter("Page1"), QStringList()); // the redirect was not followed
    f.lib.setFaults({});
    ASSERT_EQ(f.load(2), true);
    EXPECT_TRUE(f.cat.isTaken(2, 4));
}

TEST(CategoryLoader, ANewerLoadSupersedesAHangingOneWhoseAnswerNeverLands)
{
    Loading f;
    f.lib.setFaults({"/kq/Page2.dat hang"});
    f.loader.load(2);
    QTest::qWait(100);
    EXPECT_EQ(f.load(1), true);
    f.lib.setFaults({}); // the hung request ends now; its answer must change nothing
    QTest::qWait(300);
    EXPECT_TRUE(f.finished.isEmpty());
    EXPECT_FALSE(f.cat.categories[2].items.has_value());
    EXPECT_EQ(f.cat.items(1).size(), 30);
}

TEST(CategoryLoader, ChangeFileFailuresMoveOnAndTheLastServerGivesUp)
{
    Loading f(3); // servers 0-2 refuse; 3, 4 and 5 are the same server, each answering 404
    f.cat.serverIndex = 3;
    f.lib.setFaults({"/kq/Changer1.dat status=404 host=127.0.0.1"});
    EXPECT_EQ(f.load(1), true); // the page itself arrived and is kept
    EXPECT_EQ(f.cat.items(1).size(), 30);
    EXPECT_EQ(f.cat.categories[1].serial, 0);
    ASSERT_EQ(f.failed.size(), 3);
    EXPECT_EQ(f.failed[0], (QList<QVariant>{3, true})); // reported
    EXPECT_EQ(f.exhausted.size(), 1);
    EXPECT_EQ(f.cat.serverIndex, 5);

    // An answer that is no error yet not the file moves on without being reported.
    Loading quiet;
    quiet.lib.setFaults({"/kq/Changer0.dat status=204"});
    quiet.cat.serverIndex = 4;
    quiet.load(0);
    ASSERT_EQ(quiet.failed.size(), 2);
    EXPECT_FALSE(quiet.failed[0][1].toBool());
    EXPECT_EQ(quiet.exhausted.size(), 1);
}

namespace {

// The status the server gave the last request for path.
QString lastStatus(ServedLibrary &lib, const QString &path)
{
    const QStringList asked = lib.server().log().filter(path);
    return asked.isEmpty() ? QString() : asked.last().section(' ', 2, 2);
}

// Rewrites a published file in place, its size and time kept: validators alone would call it unchanged.
void rewriteKeepingTime(const QString &path, QByteArray (*edit)(QByteArray))
{
    const QDateTime time = QFileInfo(path).lastModified();
    QByteArray bytes = readAll(path);
    const QByteArray changed = edit(bytes);
    ASSERT_EQ(changed.size(), bytes.size());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.write(changed) == changed.size() && f.flush());
    ASSERT_TRUE(f.setFileTime(time, QFileDevice::FileModificationTime));
}

QByteArray firstYearOn(QByteArray page) { return page.replace(page.indexOf("2026-11"), 4, "2027"); }
QByteArray serialUp(QByteArray change) { return change.replace(change.indexOf("\r\n1\r\n"), 5, "\r\n2\r\n"); }
QByteArray batchRenamed(QByteArray change) { return change.replace(0, 4, "B9-9"); }

} // namespace

TEST(CategoryLoader, AnUnchangedPageIsAskedAfterOnlyWhileBatchAndSerialHoldAndNotModifiedKeepsTheRecords)
{
    const QString page = QStringLiteral("/kq/Page2.dat"), change = QStringLiteral("/kq/Changer2.dat");
    struct Case
    {
        const char *between;
        std::function<void(Loading &)> act;
        bool kept; // answered "not modified" and the records held stay as they are
    };
    const QList<Case> cases = {
        {"nothing", [](Loading &) {}, true},
        {"page and serial changed, file time kept",
         [&](Loading &f) {
             rewriteKeepingTime(f.lib.root() + page, firstYearOn);
             rewriteKeepingTime(f.lib.root() + change, serialUp);
         },
         false},
        {"new batch", [&](Loading &f) { rewriteKeepingTime(f.lib.root() + change, batchRenamed); }, false},
        {"another address", [](Loading &f) { f.cat.servers.urls[0].replace("127.0.0.1", "localhost"); }, false},
        {"records rewritten by a merge",
         [](Loading &f) {
             LatestListModel latest({}), files({});
             ChangeMerge merge(f.cat, 2, QByteArray("3"), MergeTargets{&latest, &files, {}}, {});
             merge.step(100);
         },
         false},
        {"a failed load", [](Loading &f) {
             f.lib.setFaults({"/kq/Page2.dat status=500"});
             EXPECT_EQ(f.load(2), false);
             f.lib.setFaults({});
         },
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.between);
        Loading f;
        {
            // Published a while ago: validators of a file written in the second it was served tell nothing.
            QFile published(f.lib.root() + page);
            ASSERT_TRUE(published.open(QIODevice::ReadWrite) &&
                        published.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        }
        ASSERT_EQ(f.load(2), true);
        const QByteArrayView before = f.cat.items(2).at(0);
        c.act(f);
        ASSERT_EQ(f.load(2), true);
        EXPECT_EQ(lastStatus(f.lib, page), c.kept ? "304" : "200");
        // Kept means the very records parsed before; otherwise exactly what the server has now.
        EXPECT_EQ(f.cat.items(2).at(0).data() == before.data(), c.kept);
        Catalogue fresh;
        fresh.servers = f.lib.table();
        QList<CategoryEntry> entries;
        for (const Category &category : f.cat.categories)
            entries << category.entry;
        fresh.reset(entries);
        CategoryLoader again(fresh);
        QSignalSpy done(&again, &CategoryLoader::finished);
        again.load(2);
        ASSERT_TRUE(done.wait(20000));
        EXPECT_EQ(f.cat.items(2).toOwnedList(), fresh.items(2).toOwnedList());
        EXPECT_EQ(f.cat.latest(2), fresh.latest(2));
        EXPECT_EQ(f.cat.categories[2].serial, fresh.categories[2].serial);
        EXPECT_EQ(f.cat.changeBatch, fresh.changeBatch);
    }
}

TEST(CategoryLoader, WithNothingHeldThePageIsAskedForBesideTheChangeFile)
{
    Loading f;
    f.lib.setFaults({"/kq/Changer1.dat delay=400"});
    ASSERT_EQ(f.load(1), true);
    const QStringList asked = f.lib.server().log();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked[0].startsWith("GET /kq/Page1.dat 200")) << "the page waited for the change file";
    EXPECT_EQ(f.cat.categories[1].serial, 1);
}
