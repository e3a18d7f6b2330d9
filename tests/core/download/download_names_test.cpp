// What a picture download reads and where it writes: addresses from the server's bytes, local names
// that cannot leave the save folder, and the names only our part files have.
#include "core/catalogue/catalogue.h"
#include "core/download/download_names.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using kestrin::test::g;

TEST(DownloadNames, AddressAndTargetComeFromThePicturesFieldsTrimmedAndMadeSafe)
{
    Catalogue cat;
    cat.servers = ServerTable::forHosts("h", "h2", 1);
    cat.reset({{"c", "kq/pic 0", ".jpg"}});
    const DownloadRequest r = pictureRequest(cat, 0, "AB12", g("新图"), "2010-04-01", "/save", LocalName::FileName);
    EXPECT_EQ(r.urlBase, "http://h:1/kq/pic%200/");

    const LocalName file = LocalName::FileName, chinese = LocalName::ChineseName, both = LocalName::FileAndChineseName;
    const struct
    {
        QByteArray name, chinese, extension;
        const char *save;
        LocalName local;
        const char *url, *cache, *target;
    } cases[] = {
        {"AB12", g("新图"), ".jpg", "/save", file, "u/AB12.jpg", "AB12.jpg", "/save/AB12.jpg"},
        {"AB12", g("新图"), ".jpg", "/save/", chinese, "u/AB12.jpg", "AB12.jpg", "/save/新图.jpg"},
        {"AB12", g("新 图"), ".jpg", "/save/", both, "u/AB12.jpg", "AB12.jpg", "/save/AB12新图.jpg"}, // the queue's form
        {"AB12", "", ".jpg", "C:\\pics\\", file, "u/AB12.jpg", "AB12.jpg", "C:\\pics/AB12.jpg"},
        {"P1", g("東億"), ".jpeg", "/s", chinese, "u/P1.jpeg", "P1.jpeg", "/s/東億.jpeg"},
        {g("東"), "x", ".png", "/s", file, "u/%96%7C.png", "東.png", "/s/東.png"}, // bytes as the server holds them
        {"P2", "", ".png", "/s", chinese, "u/P2.png", "P2.png", "/s/P2.png"},      // no Chinese name: the file name
        // A lone GBK lead byte at the end of a field is not glued to what follows.
        {"P3\xD6", "", ".png", "/s", file, "u/P3%D6.png", "P3.png", "/s/P3.png"},
        {"\t P4 \x01", "\x02" + g("图") + "\r\n", " .jpg\x7F", "/s", file, "u/P4.jpg", "P4.jpg", "/s/P4.jpg"},
        {"\t P4 \x01", "\x02" + g("图") + "\r\n", ".jpg", "/s", chinese, "u/P4.jpg", "P4.jpg", "/s/图.jpg"},
        {"x", "../../y", ".jpg", "/s", chinese, "u/x.jpg", "x.jpg", "/s/___.._y.jpg"},
    };
    for (const auto &c : cases) {
        const auto plan = planDownload({"u/", c.name, c.chinese, "t", c.extension, c.save, c.local});
        ASSERT_TRUE(plan) << c.url;
        EXPECT_EQ(plan->url, c.url);
        EXPECT_EQ(plan->cacheName, QString::fromUtf8(c.cache)) << c.url;
        EXPECT_EQ(plan->targetPath, QString::fromUtf8(c.target)) << c.url;
    }
    EXPECT_FALSE(planDownload({"u/", "..", "", "t", "", "/s", file}));
    EXPECT_FALSE(planDownload({"u/", "", "x", "t", ".jpg", "/s", file}));

    EXPECT_EQ(localFileName("../../etc/passwd"), "___.._etc_passwd"); // no leading dot: never hidden
    EXPECT_EQ(localFileName("..", ".jpg"), "___jpg");
    EXPECT_EQ(localFileName("a\\b\tc\x01"), "a_b_c_");
    EXPECT_EQ(localFileName(".."), "");
    EXPECT_EQ(localFileName("."), "");
}

TEST(DownloadNames, NamesTooLongForTheFileSystemAreShortenedKeepingTheExtension)
{
    // 100 Chinese characters are 300 bytes of UTF-8; the file system takes 255.
    QByteArray chinese;
    for (int i = 0; i < 100; ++i)
        chinese += g("图");
    const auto plan = planDownload({"u/", "P5", chinese, "t", ".jpeg", "/s", LocalName::ChineseName});
    ASSERT_TRUE(plan);
    const QByteArray name = plan->targetPath.mid(3).toUtf8();
    EXPECT_TRUE(name.startsWith("图图图") && name.endsWith(".jpeg"));
    EXPECT_LE(name.size(), kMaxLocalNameBytes);
    EXPECT_GE(name.size(), kMaxLocalNameBytes - 3); // cut only as far as needed
    EXPECT_EQ(localFileName(QByteArray(300, 'a'), ".png").size(), kMaxLocalNameBytes);
}

TEST(DownloadNames, OnlyNamesMadeForPartsCountAsParts)
{
    for (const QString &target : {QStringLiteral("A1001.jpg"), QString::fromUtf8("图.png"), QString(300, u'x')})
        EXPECT_TRUE(isPartialFileName(partialFileName(target))) << target.toStdString();
    const QString made = partialFileName("A1001.jpg");
    for (const QString &other : {QStringLiteral("A1001.jpg"), QStringLiteral(".kestrin-.part"), made.toUpper(),
                                 made.chopped(1), made + "x", "x" + made, "../" + made, QString(made).replace(9, 1, u'g'),
                                 QString(made).replace(9, 1, u'/')})
        EXPECT_FALSE(isPartialFileName(other)) << other.toStdString();
}
