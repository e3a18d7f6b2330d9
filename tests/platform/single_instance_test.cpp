#include "platform/single_instance.h"
#include "test_support.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocalServer>
#include <QProcess>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

// Names, sizes and modification times of the folder and all in it.
QStringList listing(const QString &folder)
{
    QStringList rows{QString::number(QFileInfo(folder).lastModified().toMSecsSinceEpoch())};
    for (QDirIterator it(folder, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot); it.hasNext();) {
        const QFileInfo info(it.next());
        rows << QStringLiteral("%1 %2 %3").arg(info.fileName()).arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
    }
    rows.sort();
    return rows;
}

} // namespace

TEST(SingleInstance, ALaterStartAsksTheHolderToShowAndTouchesNothing)
{
    QTemporaryDir dir, otherDir;
    SingleInstance first(QStringLiteral("kestrin"), dir.path());
    SingleInstance otherKey(QStringLiteral("other"), dir.path());
    SingleInstance elsewhere(QStringLiteral("kestrin"), otherDir.path());
    QSignalSpy shown(&first, &SingleInstance::activationRequested);
    QSignalSpy otherShown(&otherKey, &SingleInstance::activationRequested);
    QSignalSpy elsewhereShown(&elsewhere, &SingleInstance::activationRequested);
    ASSERT_EQ(first.claim(), SingleInstance::Claim::Held);
    ASSERT_EQ(otherKey.claim(), SingleInstance::Claim::Held);
    ASSERT_EQ(elsewhere.claim(), SingleInstance::Claim::Held);
    // Everything an hour old, as a copy that has run that long left it, so any change shows in the listing.
    const timespec hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    for (QDirIterator it(dir.path(), QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot); it.hasNext();)
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(it.next()).constData(), hourAgo, AT_SYMLINK_NOFOLLOW), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(dir.path()).constData(), hourAgo, 0), 0);
    const QStringList before = listing(dir.path());

    for (int start = 1; start <= 2; ++start) {
        SingleInstance later(QStringLiteral("kestrin"), dir.path());
        EXPECT_EQ(later.claim(), SingleInstance::Claim::AnotherRuns);
        EXPECT_TRUE(waitUntil([&] { return shown.size() == start; }, 5000)) << "start " << start;
    }
    EXPECT_EQ(listing(dir.path()), before);
    QCoreApplication::processEvents();
    EXPECT_EQ(otherShown.size() + elsewhereShown.size(), 0);
}

TEST(SingleInstance, ALockWhoseProcessIsGoneDoesNotBlockAndAnEndedHolderLeavesNothing)
{
    QTemporaryDir dir;
    const QString key = QStringLiteral("kestrin");
    // The lock exactly as QLockFile writes it, but for a process that has ended, and a socket left beside it.
    QByteArray written;
    {
        QLockFile own(dir.filePath(key + ".lock"));
        ASSERT_TRUE(own.tryLock(0));
        written = readAll(own.fileName());
    }
    ASSERT_TRUE(written.startsWith(QByteArray::number(QCoreApplication::applicationPid()) + '\n'));
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    ASSERT_TRUE(gone.waitForStarted());
    const QByteArray pid = QByteArray::number(gone.processId());
    ASSERT_TRUE(gone.waitForFinished());
    ASSERT_TRUE(writeFile(dir.filePath(key + ".lock"), pid + written.mid(written.indexOf('\n'))));
    ASSERT_TRUE(writeFile(dir.filePath(key + ".socket"), ""));
    {
        SingleInstance next(key, dir.path());
        QSignalSpy shown(&next, &SingleInstance::activationRequested);
        ASSERT_EQ(next.claim(), SingleInstance::Claim::Held);
        EXPECT_TRUE(readAll(next.lockPath()).startsWith(QByteArray::number(QCoreApplication::applicationPid()) + '\n'));
        SingleInstance later(key, dir.path());
        EXPECT_EQ(later.claim(), SingleInstance::Claim::AnotherRuns);
        EXPECT_TRUE(waitUntil([&] { return shown.size() == 1; }, 5000));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());

    SingleInstance missing(key, dir.filePath(QStringLiteral("no-such-folder")));
    EXPECT_EQ(missing.claim(), SingleInstance::Claim::Unguarded); // without a usable folder: run unguarded
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

TEST(SingleInstance, AHolderThatListensLateStillHearsTheRequest)
{
    QTemporaryDir dir;
    QLockFile held(dir.filePath(QStringLiteral("kestrin.lock")));
    ASSERT_TRUE(held.tryLock(0));
    // The holder, still starting, listens a little after the later start first knocks.
    std::atomic<bool> heard{false};
    std::unique_ptr<QThread> holder(QThread::create([&] {
        QThread::msleep(300);
        QLocalServer server;
        heard = server.listen(dir.filePath(QStringLiteral("kestrin.socket"))) && server.waitForNewConnection(5000);
    }));
    holder->start();
    SingleInstance later(QStringLiteral("kestrin"), dir.path());
    EXPECT_EQ(later.claim(1000), SingleInstance::Claim::AnotherRuns);
    holder->wait();
    EXPECT_TRUE(heard);
}
