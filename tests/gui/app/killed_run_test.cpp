// The program ended by SIGKILL at a random moment while it writes (a child running the program's own
// code, see support/killed_writer.cpp): every file it keeps is the old one or a new one, whole, no
// temporary is left beside it, and a download that was cut goes on where it stopped.
#include "core/catalogue/catalogue.h"
#include "core/download/download_names.h"
#include "core/download/download_queue.h"
#include "core/personal/selection_store.h"
#include "test_support.h"

#include <QDir>
#include <QRegularExpression>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>

using namespace kestrin;
using namespace kestrin::test;

namespace {

quint32 seed()
{
    const quint32 s = qEnvironmentVariableIsSet("KESTRIN_KILL_SEED") ? quint32(qEnvironmentVariableIntValue("KESTRIN_KILL_SEED"))
                                                                      : 20261207u;
    std::printf("kill moments seeded with %u (KESTRIN_KILL_SEED)\n", s);
    return s;
}

// Starts the writer; once ready() holds, lets it run for a random while in [minMs, maxMs) and kills it.
// False when it ended by itself.
bool runAndKill(const QStringList &args, QRandomGenerator &rng, int minMs, int maxMs,
                const std::function<bool()> &ready = [] { return true; })
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(KESTRIN_KILLED_WRITER), args);
    if (!child.waitForStarted() || !waitUntil(ready, 10000))
        return false;
    QTest::qWait(int(rng.bounded(minMs, maxMs)));
    child.kill(); // SIGKILL
    child.waitForFinished();
    return child.exitStatus() == QProcess::CrashExit;
}

int runToEnd(const QStringList &args)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QStringLiteral(KESTRIN_KILLED_WRITER), args);
    return child.waitForFinished(30000) && child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// The folder's files, apart from the half-written copies a killed writer could not take away
// ("<name>.XXXXXX" beside the file it was replacing).
QStringList entriesBesideKilledWrites(const QString &dir, const QString &name)
{
    const QRegularExpression unfinished(QRegularExpression::anchoredPattern(QRegularExpression::escape(name) +
                                                                            QStringLiteral("\\.[A-Za-z0-9]{6}")));
    QStringList out;
    for (const QString &e : entriesOf(dir))
        if (!unfinished.match(e).hasMatch())
            out << e;
    return out;
}

QJsonArray queueIn(const QString &path, bool *whole)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(readAll(path), &error);
    *whole = error.error == QJsonParseError::NoError && doc.object().value("queue").isArray();
    return doc.object().value("queue").toArray();
}

} // namespace

TEST(KilledRun, MySelectIniIsTheOldOrANewFileWholeAndTheRestOfItStays)
{
    QRandomGenerator rng(seed());
    QTemporaryDir dir;
    const QString path = dir.filePath("MySelect.ini");
    QString error;
    ASSERT_TRUE(SelectionStore(path).registerUser("u", "p", &error)) << error.toStdString();
    QFile extra(path);
    ASSERT_TRUE(extra.open(QIODevice::Append));
    extra.write("[Other]\r\nkey=value\r\n");
    extra.close();
    int newer = 0;
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(runAndKill({"ini", path}, rng, 5, 120));
        SelectionStore store(path);
        EXPECT_EQ(store.password("u"), "p");
        Catalogue cat;
        cat.reset(QList<CategoryEntry>(2));
        store.loadSelection("u", cat);
        const QList<QByteArray> names = cat.categories[0].selection;
        if (!names.isEmpty()) {
            ++newer;
            ASSERT_EQ(names.size(), 400);
            const QByteArray generation = names[0].left(names[0].indexOf('N') + 1);
            for (const QByteArray &n : names)
                ASSERT_TRUE(n.startsWith(generation)) << n.toStdString();
        }
        EXPECT_TRUE(readAll(path).contains("[Other]\r\nkey=value\r\n"));
        EXPECT_EQ(entriesBesideKilledWrites(dir.path(), "MySelect.ini"), QStringList{"MySelect.ini"});
    }
    EXPECT_GT(newer, 8);
}

TEST(KilledRun, TheQueueListIsTheOldOrANewListWhole)
{
    QRandomGenerator rng(seed() + 1);
    QTemporaryDir dir;
    const QString path = dir.filePath("queue.json");
    int listed = 0;
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(runAndKill({"queue", path}, rng, 30, 300));
        if (!QFileInfo::exists(path))
            continue;
        bool whole = false;
        const QJsonArray list = queueIn(path, &whole);
        ASSERT_TRUE(whole) << readAll(path).right(200).toStdString();
        // Entries are queued E0, E1, ... and dropped from the head: a list of one moment holds a run.
        qsizetype previous = -1;
        for (const QJsonValue &v : list) {
            const qsizetype n = QByteArray::fromHex(v.toObject()["file"].toString().toLatin1()).mid(1).toLongLong();
            if (previous >= 0) {
                EXPECT_EQ(n, previous + 1);
            }
            previous = n;
        }
        listed += !list.isEmpty();
        Catalogue cat;
        DownloadQueue again(cat, [] { return QueueSettings{QStringLiteral("/nonexistent/kestrin"), false, false}; });
        again.restoreFrom(path);
        again.timer().stop();
        EXPECT_EQ(again.model().rowCount(), list.size());
        EXPECT_EQ(entriesBesideKilledWrites(dir.path(), "queue.json"), QStringList{"queue.json"});
    }
    EXPECT_GT(listed, 8);
}

// A picture that trickles in, the program killed mid-transfer: no picture under its name but the hidden
// part, the head of the picture; the next run asks for the rest (a 206 answer) and ends with the picture
// whole and nothing else.
TEST(KilledRun, ADownloadCutByTheKillGoesOnWithARangeRequestAtTheNextStart)
{
    QRandomGenerator rng(seed() + 2);
    ServedLibrary lib(library::InitOptions{1, 6, 1});
    QByteArray picture(128 * 1024, Qt::Uninitialized);
    for (char &b : picture)
        b = char(rng.bounded(256));
    ASSERT_TRUE(writeFile(lib.root() + "/kq/pic0/BIG.jpg", picture));
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        QTemporaryDir run;
        const QString saveDir = run.filePath("save"), store = run.filePath("queue.json");
        QDir().mkpath(saveDir);
        const QString part = saveDir + '/' + partialFileName("BIG.jpg"), target = saveDir + "/BIG.jpg";
        const QStringList args{"download", store, lib.url(), "kq/pic0", "BIG", ".jpg", saveDir};
        lib.setFaults({"/kq/pic0/BIG.jpg drip=1"});
        // Killed once the bytes have begun and the list knows their version.
        const auto underway = [&] {
            bool whole = false;
            const QJsonArray list = queueIn(store, &whole);
            return QFileInfo(part).size() > 0 && whole && list.size() == 1 &&
                   !list[0].toObject()["ifRange"].toString().isEmpty();
        };
        ASSERT_TRUE(runAndKill(args, rng, 0, 500, underway));
        EXPECT_FALSE(QFileInfo::exists(target));
        const qint64 kept = QFileInfo(part).size();
        ASSERT_GT(kept, 0);
        ASSERT_LT(kept, picture.size());
        EXPECT_EQ(readAll(part), picture.left(kept));

        lib.server().clearFaults();
        lib.server().clearLog();
        ASSERT_EQ(runToEnd(args), 0);
        EXPECT_EQ(readAll(target), picture);
        EXPECT_EQ(entriesOf(saveDir), QStringList{"BIG.jpg"});
        EXPECT_EQ(lib.server().log(), QStringList{"GET /kq/pic0/BIG.jpg 206 127.0.0.1"});
        bool whole = false;
        EXPECT_TRUE(queueIn(store, &whole).isEmpty() && whole);
    }
}
