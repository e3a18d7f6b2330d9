#include "core/catalogue/catalogue.h"
#include "core/download/download_names.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrin;
using kestrin::test::g;

namespace {
DownloadRequest request(const QByteArray &file, const QByteArray &chinese, const QByteArray &ext, const QString &save,
                        bool useChinese)
{
    return {QStringLiteral("u/"), file, chinese, "t", ext, save, useChinese ? LocalName::ChineseName : LocalName::FileName};
}
} // namespace

TEST(DownloadNames, UrlCacheAndTargetFromThePicturesFields)
{
    Catalogue cat;
    cat.servers = ServerTable::forHosts("h", "h2", 1);
    cat.reset({{"c", "kq/pic 0", ".jpg"}});
    DownloadRequest r = pictureRequest(cat, 0, "AB12", g("新图"), "2010-04-01", "/save", LocalName::FileName);
    auto plan = planDownload(r);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->url, "http://h:1/kq/pic%200/AB12.jpg");
    EXPECT_EQ(plan->cacheName, "AB12.jpg");
    EXPECT_EQ(plan->targetPath, "/save/AB12.jpg");
    r.localName = LocalName::ChineseName;
    r.savePath = "/save/";
    EXPECT_EQ(planDownload(r)->targetPath, "/save/新图.jpg"); // one separator after a trailing one
    r.localName = LocalName::FileAndChineseName; // the queue's form: both, blanks taken out
    r.chineseName = g("新 图");
    EXPECT_EQ(planDownload(r)->targetPath, "/save/AB12新图.jpg");
    EXPECT_EQ(planDownload(r)->url, "http://h:1/kq/pic%200/AB12.jpg");
    r.savePath = "C:\\pics\\";
    r.localName = LocalName::FileName;
    EXPECT_EQ(planDownload(r)->targetPath, "C:\\pics/AB12.jpg");
}

TEST(DownloadNames, ExtensionsStayWholeAndGbkNamesBecomeUnicode)
{
    auto plan = planDownload(request("P1", g("東億"), ".jpeg", "/s", true));
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->url, "u/P1.jpeg");
    EXPECT_EQ(plan->targetPath, "/s/東億.jpeg");
    plan = planDownload(request(g("東"), "x", ".png", "/s", false));
    EXPECT_EQ(plan->url, "u/%96%7C.png"); // bytes as the server holds them
    EXPECT_EQ(plan->cacheName, "東.png");
    // No Chinese name: the file name is used rather than a bare extension.
    EXPECT_EQ(planDownload(request("P2", "", ".png", "/s", true))->targetPath, "/s/P2.png");
    // Fields end where the server put them, however their last byte looks: a lone GBK lead byte at
    // the end of a name is not glued to what follows.
    plan = planDownload(request("P3\xD6", "", ".png", "/s", false));
    EXPECT_EQ(plan->url, "u/P3%D6.png");
}

TEST(DownloadNames, BlanksAndControlCharactersAtTheEndsAreTrimmed)
{
    auto plan = planDownload(request("\t P4 \x01", "\x02" + g("图") + "\r\n", " .jpg\x7F", "/s", false));
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->url, "u/P4.jpg");
    EXPECT_EQ(plan->cacheName, "P4.jpg");
    EXPECT_EQ(planDownload(request("\t P4 \x01", "\x02" + g("图") + "\r\n", ".jpg", "/s", true))->targetPath,
              "/s/图.jpg");
}

TEST(DownloadNames, SeparatorsDotsAndControlCharactersCannotEscape)
{
    EXPECT_EQ(localFileName("../../etc/passwd"), "___.._etc_passwd"); // no leading dot: never hidden
    EXPECT_EQ(localFileName("..", ".jpg"), "___jpg");
    EXPECT_EQ(localFileName("a\\b"), "a_b");
    EXPECT_EQ(localFileName("a\tb\x01"), "a_b_");
    EXPECT_EQ(localFileName(".."), "");
    EXPECT_EQ(localFileName("."), "");
    EXPECT_FALSE(planDownload(request("..", "", "", "/s", false)));
    EXPECT_FALSE(planDownload(request("", "x", ".jpg", "/s", false)));
    auto plan = planDownload(request("x", "../../y", ".jpg", "/s", true));
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->targetPath, "/s/___.._y.jpg");
    EXPECT_EQ(plan->url, "u/x.jpg");
}

TEST(DownloadNames, NamesTooLongForTheFileSystemAreShortenedKeepingTheExtension)
{
    // 100 Chinese characters are 300 bytes of UTF-8; the file system takes 255.
    QByteArray chinese;
    for (int i = 0; i < 100; ++i)
        chinese += g("图");
    auto plan = planDownload(request("P5", chinese, ".jpeg", "/s", true));
    ASSERT_TRUE(plan);
    const QString name = plan->targetPath.mid(3);
    EXPECT_TRUE(name.endsWith(".jpeg"));
    EXPECT_LE(name.toUtf8().size(), kMaxLocalNameBytes);
    EXPECT_GE(name.toUtf8().size(), kMaxLocalNameBytes - 3); // cut only as far as needed
    EXPECT_TRUE(name.startsWith(QString::fromUtf8("图图图")));
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
