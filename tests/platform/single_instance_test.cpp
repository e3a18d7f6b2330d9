#include "platform/single_instance.h"
#include "test_support.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

// Sets the times of the folder and everything in it an hour back, so that any file made, changed or
// removed afterwards shows in a listing even within the clock's resolution.
void ageFolder(const QString &folder)
{
    const timespec hourAgo{::time(nullptr) - 3600, 0};
    const timespec times[2] = {hourAgo, hourAgo};
    QDirIterator it(folder, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    while (it.hasNext())
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(it.next()).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(folder).constData(), times, 0), 0);
}

// Names, sizes and modification times of the folder and all in it.
QStringList listing(const QString &folder)
{
    QStringList rows{QString::number(QFileInfo(folder).lastModified().toMSecsSinceEpoch())};
    QDirIterator it(folder, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        rows << QStringLiteral("%1 %2 %3").arg(info.fileName()).arg(info.size()).arg(
                    info.lastModified().toMSecsSinceEpoch());
    }
    rows.sort();
    return rows;
}

// A Unix socket bound at path and closed without removing it, as a copy that crashed leaves it;
// listening makes it accept connections until closeSocket.
int bindSocket(const QString &path, bool listening)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (fd < 0 || size_t(name.size()) >= sizeof addr.sun_path)
        return -1;
    std::copy(name.begin(), name.end(), addr.sun_path);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || (listening && ::listen(fd, 4) != 0)) {
        ::close(fd);
        return -1;
    }
    if (!listening) {
        ::close(fd);
        return 0;
    }
    return fd;
}

} // namespace

TEST(SingleInstance, ALaterStartAsksTheHolderToShowAndTouchesNothing)
{
    QTemporaryDir dir;
    SingleInstance first(QStringLiteral("kestrin"), dir.path());
    QSignalSpy shown(&first, &SingleInstance::activationRequested);
    ASSERT_EQ(first.claim(), SingleInstance::Claim::Held);
    ASSERT_TRUE(QFileInfo::exists(first.lockPath()));
    // A copy that has run for an hour holds the same lock as one just started.
    ageFolder(dir.path());
    const QStringList before = listing(dir.path());

    for (int start = 1; start <= 2; ++start) {
        SingleInstance later(QStringLiteral("kestrin"), dir.path());
        EXPECT_EQ(later.claim(), SingleInstance::Claim::AnotherRuns);
        EXPECT_TRUE(waitUntil([&] { return shown.size() == start; }, 5000)) << "start " << start;
    }
    EXPECT_EQ(listing(dir.path()), before);
    EXPECT_EQ(shown.size(), 2);
}

TEST(SingleInstance, ALockWhoseProcessIsGoneDoesNotBlock)
{
    QTemporaryDir dir;
    const QString key = QStringLiteral("kestrin");
    // The lock exactly as QLockFile writes it, for a process that has ended.
    QByteArray written;
    {
        QLockFile own(dir.filePath(key + ".lock"));
        ASSERT_TRUE(own.tryLock(0));
        written = readAll(own.fileName());
    }
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 pid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    ASSERT_TRUE(written.startsWith(QByteArray::number(QCoreApplication::applicationPid()) + '\n'));
    written = QByteArray::number(pid) + written.mid(written.indexOf('\n'));
    QFile lock(dir.filePath(key + ".lock"));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(written);
    lock.close();
    // And its socket, left behind.
    ASSERT_EQ(bindSocket(dir.filePath(key + ".socket"), false), 0);

    SingleInstance next(key, dir.path());
    QSignalSpy shown(&next, &SingleInstance::activationRequested);
    ASSERT_EQ(next.claim(), SingleInstance::Claim::Held);
    EXPECT_TRUE(readAll(next.lockPath()).startsWith(QByteArray::number(QCoreApplication::applicationPid()) + '\n'));
    SingleInstance later(key, dir.path());
    EXPECT_EQ(later.claim(), SingleInstance::Claim::AnotherRuns);
    EXPECT_TRUE(waitUntil([&] { return shown.size() == 1; }, 5000));
}

TEST(SingleInstance, DifferentKeysAndFoldersDoNotMeet)
{
    QTemporaryDir dir, otherDir;
    SingleInstance one(QStringLiteral("one"), dir.path());
    SingleInstance two(QStringLiteral("two"), dir.path());
    SingleInstance elsewhere(QStringLiteral("one"), otherDir.path());
    QSignalSpy oneShown(&one, &SingleInstance::activationRequested);
    QSignalSpy twoShown(&two, &SingleInstance::activationRequested);
    QSignalSpy elsewhereShown(&elsewhere, &SingleInstance::activationRequested);
    ASSERT_EQ(one.claim(), SingleInstance::Claim::Held);
    ASSERT_EQ(two.claim(), SingleInstance::Claim::Held);
    ASSERT_EQ(elsewhere.claim(), SingleInstance::Claim::Held);

    SingleInstance later(QStringLiteral("one"), dir.path());
    EXPECT_EQ(later.claim(), SingleInstance::Claim::AnotherRuns);
    EXPECT_TRUE(waitUntil([&] { return oneShown.size() == 1; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(twoShown.size(), 0);
    EXPECT_EQ(elsewhereShown.size(), 0);

    // Once the holder ends, the next start holds the lock again.
    {
        SingleInstance gone(QStringLiteral("three"), dir.path());
        ASSERT_EQ(gone.claim(), SingleInstance::Claim::Held);
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("three.lock"))));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("three.socket"))));
    SingleInstance again(QStringLiteral("three"), dir.path());
    EXPECT_EQ(again.claim(), SingleInstance::Claim::Held);
}

TEST(SingleInstance, WithoutAUsableFolderTheProgramRunsUnguarded)
{
    QTemporaryDir dir;
    SingleInstance missing(QStringLiteral("kestrin"), dir.filePath(QStringLiteral("no-such-folder")));
    EXPECT_EQ(missing.claim(), SingleInstance::Claim::Unguarded);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{});
}

TEST(SingleInstance, AHolderThatListensLateStillHearsTheRequest)
{
    QTemporaryDir dir;
    QLockFile held(dir.filePath(QStringLiteral("kestrin.lock")));
    ASSERT_TRUE(held.tryLock(0));
    const QString socketPath = dir.filePath(QStringLiteral("kestrin.socket"));
    // The holder, still starting, listens a little after the later start first knocks.
    std::atomic<bool> heard{false};
    std::thread holder([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const int fd = bindSocket(socketPath, true);
        if (fd < 0)
            return;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) == 1) {
            const int client = ::accept(fd, nullptr, nullptr);
            heard = client >= 0;
            ::close(client);
        }
        ::close(fd);
    });
    SingleInstance later(QStringLiteral("kestrin"), dir.path());
    EXPECT_EQ(later.claim(1000), SingleInstance::Claim::AnotherRuns);
    holder.join();
    EXPECT_TRUE(heard);
}
