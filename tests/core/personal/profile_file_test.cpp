// "MySelect.ini" as users carry it between machines: our profile reader and writer, and the selection
// store on top of it.
#include "core/catalogue/catalogue.h"
#include "core/personal/profile_file.h"
#include "core/personal/selection_store.h"
#include "test_support.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

TEST(ProfileFile, KeepsEveryOtherLineAndChangesAValueInItsOwnLine)
{
    QTemporaryDir dir;
    // A GBK section name whose second byte is "]" (95 5D), a comment, garbage, a header cut off, a
    // duplicate section, a UTF-8 line and a line without its CRLF at the end.
    const QByteArray user = "PELMARQ_" + QByteArray("\x95\x5D") + g("张");
    const QByteArray before = "; kept\r\n[Other]\r\nx=1\r\n[" + user + "]\r\nUserPassword=p\r\ngarbage line\r\n"
                              "[PELMARQ_cut\r\nUserSelect=old\r\n\r\n[" + user + "]\r\nUserSelect=second\r\n" +
                              QString::fromUtf8("[用户]\r\nk=v").toUtf8();
    const QString path = dir.filePath("MySelect.ini");
    ASSERT_TRUE(writeFile(path, before));
    ProfileFile file;
    ASSERT_TRUE(file.load(path));
    EXPECT_EQ(file.value(user, "userpassword"), "p"); // names without regard to ASCII case
    EXPECT_EQ(file.value(user, "UserSelect"), "old"); // the first section of that name; a cut header is none
    EXPECT_EQ(file.value("other", "X"), "1");
    EXPECT_EQ(file.value("PELMARQ_cut", "UserSelect"), "");
    ASSERT_TRUE(file.setValue(user, "USERSELECT", "new"));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readAll(path), QByteArray(before).replace("UserSelect=old", "USERSELECT=new")); // even the last line end stays missing
    EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

    // New keys go to the end of their section, new sections to the end of the file; values of any length.
    const QByteArray huge(10 << 20, 'n');
    ASSERT_TRUE(writeFile(path, "[A]\r\nk=1\r\n\r\n[B]\r\n"));
    ASSERT_TRUE(file.load(path));
    ASSERT_TRUE(file.setValue("A", "long", huge) && file.setValue("C", "k", "3"));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readAll(path), "[A]\r\nk=1\r\nlong=" + huge + "\r\n\r\n[B]\r\n[C]\r\nk=3\r\n");
    ProfileFile again;
    ASSERT_TRUE(again.load(path));
    EXPECT_EQ(again.value("a", "LONG").size(), huge.size());
}

// Names match without regard to ASCII case, never by folding the second byte of a GBK character; a
// save that fails says so and keeps the old file. (Line breaks refused: fuzz/profile_file.cpp.)
TEST(ProfileFile, NamesFoldOnlyAsciiLettersAndAFailedSaveIsNoSuccess)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("MySelect.ini");
    ASSERT_TRUE(writeFile(path, "[PELMARQ_" + g("丄") + "]\r\nUserPassword=one\r\n"));
    ProfileFile file;
    ASSERT_TRUE(file.load(path));
    ASSERT_EQ(g("丄") + g("乤"), QByteArray("\x81\x41\x81\x61")); // one lead byte, trail bytes a letter case apart
    EXPECT_EQ(file.value("pelmarq_" + g("丄"), "USERPASSWORD"), "one");
    EXPECT_EQ(file.value("PELMARQ_" + g("乤"), "UserPassword"), "");
    ASSERT_TRUE(file.setValue("PELMARQ_" + g("乤"), "UserPassword", "two"));
    EXPECT_EQ(file.value("PELMARQ_" + g("丄"), "UserPassword"), "one");

    // The file system refuses the bytes when they are committed.
    ASSERT_TRUE(file.save());
    const QByteArray kept = readAll(path);
    ASSERT_TRUE(file.setValue("Big", "v", QByteArray(3000, 'x'))); // within the write buffer: cut only at the flush
    QString error;
    const bool saved = withFileSizeLimit(2048, [&] { return file.save(&error); });
    EXPECT_FALSE(saved);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(path), kept);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"MySelect.ini"});

    // The file cannot even be made (a file where its folder would be).
    ASSERT_TRUE(writeFile(dir.filePath("blocker"), ""));
    ProfileFile nowhere;
    ASSERT_TRUE(nowhere.load(dir.filePath("blocker/MySelect.ini")));
    ASSERT_TRUE(nowhere.setValue("A", "k", "v"));
    EXPECT_FALSE(nowhere.save(&error));
}

TEST(SelectionStore, RegistersSavesAndLoadsSelectionsInTheirFormat)
{
    QTemporaryDir dir;
    SelectionStore store(dir.filePath("MySelect.ini"));
    QString error;
    ASSERT_TRUE(store.registerUser(g("张三"), "p", &error));
    EXPECT_EQ(readAll(store.path()), "[PELMARQ_" + g("张三") + "]\r\nUserPassword=p\r\nUserSelect=\r\n");
    EXPECT_EQ(store.password(g("张三")), "p");
    EXPECT_EQ(store.password("nobody"), "");

    Catalogue cat;
    cat.reset({{"a", "f", ".jpg"}, {"b", "f", ".jpg"}, {"c", "f", ".jpg"}});
    cat.categories[0].selection = {"A", "B"};
    cat.categories[2].selection = {"C"};
    ASSERT_TRUE(store.saveSelection(g("张三"), cat, &error));
    EXPECT_TRUE(readAll(store.path()).contains("UserSelect=A,B,||C,\r\n"));

    Catalogue back;
    back.reset({{"a", "f", ".jpg"}, {"b", "f", ".jpg"}});
    back.categories[1].selection = {"kept"};
    store.loadSelection(g("张三"), back); // an empty part and a part beyond the categories change nothing
    EXPECT_EQ(back.categories[0].selection, (QList<QByteArray>{"A", "B"}));
    EXPECT_EQ(back.categories[1].selection, QList<QByteArray>{"kept"});
    EXPECT_EQ(selectionNames(",,x,,y"), (QList<QByteArray>{"x", "y"}));

    for (const char *bad : {"a]b", "[x", "a=b", "a\nb", "a\tb", "😀"}) // the last has no GBK form
        EXPECT_FALSE(userNameProblem(QString::fromUtf8(bad)).isEmpty()) << bad;
    EXPECT_TRUE(userNameProblem(QString::fromUtf8("张三 abc")).isEmpty());
    for (const char *bad : {"pa\r\nss", "pa\nss", "pa\x01ss", "😀"})
        EXPECT_FALSE(passwordProblem(QString::fromUtf8(bad)).isEmpty()) << bad;
    EXPECT_TRUE(passwordProblem(QString::fromUtf8("密码 p=[1]")).isEmpty());
    EXPECT_FALSE(store.registerUser("bad", "p\r\nUserSelect=x", &error)); // the store refuses it too
    EXPECT_FALSE(readAll(store.path()).contains("bad"));
}
