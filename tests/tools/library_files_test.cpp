// The sample library (every other test runs on one, parsed by the client): its pictures, and publishing
// that moves the serial on by one with the change list that leads there.
#include "core/catalogue/page_file.h"
#include "core/catalogue/records.h"
#include "core/catalogue/catalogue.h"
#include "core/download/download_names.h"
#include "library_files.h"
#include "test_support.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::library;
using namespace kestrin::test;

namespace {

PageFile page(const QString &root, int n)
{
    PageFile p;
    EXPECT_TRUE(parsePageFile(readAll(pagePath(root, n)), p));
    return p;
}

QList<QByteArray> change(const QString &root, int n) { return splitLines(readAll(changerPath(root, n)), 4); }

} // namespace

// The demo server ships: each picture it publishes opens as a picture.
TEST(LibraryInit, EveryPictureOpens)
{
    ByteTempDir dir;
    QString err;
    ASSERT_TRUE(initLibrary(dir.path(), {1, 30, 5}, &err)) << err.toStdString();
    QList<library::Category> cats;
    QByteArray release;
    ASSERT_TRUE(readConfig(dir.path(), &cats, &release, &err));
    for (const QByteArray &record : page(dir.path(), 0).items.toOwnedList()) {
        const PictureRecord r = PictureRecord::parse(record);
        EXPECT_TRUE(r.caption || !QImage::fromData(readBytes(picturePath(dir.path(), cats[0], r.fileName.toByteArray()))).isNull()) << record.constData();
    }
}

TEST(LibraryPublish, RaisesTheSerialByOneWithTheChangeThatLeadsThere)
{
    ByteTempDir dir;
    QString err;
    ASSERT_TRUE(initLibrary(dir.path(), {2, 10, 1}, &err));
    ASSERT_TRUE(publishPicture(dir.path(), 1, "N001", g("東新图"), "2026-12-06 10:00", &err)) << err.toStdString();
    PageFile p = page(dir.path(), 1);
    ASSERT_EQ(p.items.size(), 11);
    EXPECT_EQ(p.items.at(10), "10\tN001|" + g("東新图") + "|2026-12-06 10:00");
    EXPECT_EQ(p.latest.last(), "10");
    EXPECT_EQ(change(dir.path(), 1), (QList<QByteArray>{"B1-1", "2", "2026-12-06 10:00", "10"}));
    EXPECT_TRUE(QFile::exists(dir.path() + "/kq/pic1/N001.png"));

    // The same file name again updates the record in place; withdrawing names it negative.
    ASSERT_TRUE(publishPicture(dir.path(), 1, "N001", g("改名"), "2026-12-06 11:00", &err));
    p = page(dir.path(), 1);
    EXPECT_EQ(p.items.size(), 11);
    EXPECT_EQ(p.items.at(10), "10\tN001|" + g("改名") + "|2026-12-06 11:00");
    EXPECT_EQ(change(dir.path(), 1).value(1), "3");
    ASSERT_TRUE(withdrawPicture(dir.path(), 1, "N001", &err));
    EXPECT_TRUE(PictureRecord::parse(page(dir.path(), 1).items.at(10)).withdrawn());
    EXPECT_EQ(change(dir.path(), 1).value(1) + '/' + change(dir.path(), 1).value(3), "4/-10");
    EXPECT_EQ(change(dir.path(), 0).value(1), "1") << "other categories untouched";

    ASSERT_TRUE(newBatch(dir.path(), &err));
    EXPECT_NE(change(dir.path(), 0).value(0), "B1-1");
    EXPECT_EQ(change(dir.path(), 0).value(0), change(dir.path(), 1).value(0));
    EXPECT_EQ(change(dir.path(), 1).value(1), "4");

    // What a record cannot carry is refused, and nothing changes.
    for (const char *bad : {"a b", "a|b", "a\\b", "../x", "a,b", ""})
        EXPECT_FALSE(publishPicture(dir.path(), 0, bad, g("名"), {}, &err)) << bad;
    EXPECT_FALSE(publishPicture(dir.path(), 0, "ok", g("名,字"), {}, &err));
    EXPECT_FALSE(publishPicture(dir.path(), 2, "ok", g("名"), {}, &err));
    EXPECT_FALSE(withdrawPicture(dir.path(), 0, "missing", &err));
    EXPECT_EQ(change(dir.path(), 0).value(1), "1");

    // GBK characters whose second byte is "|" (東) or "\\" (乗) are whole characters of a file name.
    for (const char *name : {"東区", "乗"}) {
        ASSERT_TRUE(publishPicture(dir.path(), 0, g(name), g("名"), {}, &err)) << name << ": " << err.toStdString();
        const PageFile p0 = page(dir.path(), 0);
        EXPECT_EQ(PictureRecord::parse(p0.items.at(p0.items.size() - 1)).fileName, g(name)) << name;
    }
}

// A static server such as nginx maps the client's percent-encoded GBK request straight to disk bytes.
TEST(LibraryPublish, PicturesLandOnDiskUnderTheGbkBytesTheClientRequests)
{
    ByteTempDir dir;
    QString err;
    ASSERT_TRUE(initLibrary(dir.path(), {2, 3, 1}, &err));
    QList<library::Category> cats;
    QByteArray release;
    ASSERT_TRUE(readConfig(dir.path(), &cats, &release, &err));
    cats[1].folder = g("kq/東区 乗图"); // 東 ends in "|", 乗 in a backslash
    ASSERT_TRUE(writeConfig(dir.path(), cats, release, &err));
    Catalogue client;
    client.servers = ServerTable::forHosts("h", "h2", 1);
    client.reset({{cats[1].name, cats[1].folder, cats[1].ext}});
    for (const char *name : {"乗", "東方", "A7"}) {
        ASSERT_TRUE(publishPicture(dir.path(), 1, g(name), g("名"), {}, &err)) << name << ": " << err.toStdString();
        const auto plan = planDownload(pictureRequest(client, 0, g(name), g("名"), {}, dir.path(), LocalName::FileName));
        ASSERT_TRUE(plan.has_value()) << name;
        const QByteArray requested = QByteArray::fromPercentEncoding(plan->url.toLatin1().mid(client.baseUrl().size()));
        EXPECT_FALSE(QImage::fromData(readBytes(QFile::encodeName(dir.path()) + '/' + requested)).isNull())
            << name << " not at " << requested.toPercentEncoding("/").constData();
    }
}
