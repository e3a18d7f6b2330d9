// The program's own files move from an earlier release's folder (Kestrin/Kestrin) to the one it uses
// now; nothing is lost and nothing newer is overwritten.
#include "platform/data_folder.h"
#include "test_support.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

void write(const QString &path, const QByteArray &bytes, int ageSeconds)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.flush(); // else closing would write, and date the file now
    file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime);
}

} // namespace

TEST(DataFolder, EarlierFilesMoveInUnlessTheNewFolderHoldsNewerOnes)
{
    const struct
    {
        const char *what;
        int earlierAge, presentAge; // seconds; -1: no such file
        QByteArray queueAfter;      // what the new folder's queue.json holds afterwards
        bool earlierFolderGone;
    } cases[] = {
        {"only the earlier folder", 60, -1, "earlier", true},
        {"an older copy in the new folder", 60, 120, "earlier", true},
        {"a newer copy in the new folder", 120, 60, "present", false},
        {"nothing earlier", -1, 60, "present", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir home;
        const QString to = home.filePath("Kestrin"), from = to + "/Kestrin";
        if (c.earlierAge >= 0) {
            write(from + "/queue.json", "earlier", c.earlierAge);
            write(from + "/.queue.json.partial", "part", c.earlierAge);
        }
        if (c.presentAge >= 0)
            write(to + "/queue.json", "present", c.presentAge);
        const QStringList kept = moveDataFiles(from, to);
        EXPECT_EQ(readAll(to + "/queue.json"), c.queueAfter);
        EXPECT_EQ(QFileInfo::exists(from), !c.earlierFolderGone);
        // What stays behind is named, and kept whole.
        EXPECT_EQ(kept, c.earlierFolderGone ? QStringList() : QStringList{"queue.json"});
        if (!c.earlierFolderGone)
            EXPECT_EQ(readAll(from + "/queue.json"), "earlier");
        if (c.earlierAge >= 0)
            EXPECT_EQ(readAll(to + "/.queue.json.partial"), "part");
    }
}
