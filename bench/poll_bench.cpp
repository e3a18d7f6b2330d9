// Polls that find nothing new: the CPU each costs the UI thread and the memory over many of them,
// against our own library server (default) or any server given by --url (nginx, for its access log).
//   kestrin-bench-poll [--polls N] [--url BASE] [--fresh]
// --fresh opens a new connection for every poll, as a client that keeps none would.
#include "core/catalogue/catalogue.h"
#include "core/catalogue/category_loader.h"
#include "core/catalogue/change_poll.h"
#include "library_ops.h"
#include "library_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <memory>

using namespace kestrin;

namespace {

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

long rssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    int polls = 10000;
    QString url;
    bool plain = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--polls") && i + 1 < args.size())
            polls = args[++i].toInt();
        else if (args[i] == QLatin1String("--url") && i + 1 < args.size())
            url = args[++i];
        else if (args[i] == QLatin1String("--fresh"))
            plain = true;
    }

    QTemporaryDir dir;
    std::unique_ptr<library::LibraryServer> server;
    if (url.isEmpty()) {
        QString error;
        library::initLibrary(dir.path(), {1, 2000, 1}, &error);
        server = std::make_unique<library::LibraryServer>(dir.path());
        server->setKeepAliveSeconds(6);
        server->start({QStringLiteral("127.0.0.1")}, 0, false, &error);
        url = server->url(0);
    }
    Catalogue cat;
    cat.servers = {};
    for (int i = 0; i < 6; ++i)
        cat.servers.urls << url;
    cat.reset({{"c", "kq/pic0", ".jpg"}});
    CategoryLoader loader(cat);
    QSignalSpy loaded(&loader, &CategoryLoader::finished);
    loader.load(0);
    if (!loaded.wait(30000) || !loaded.first().value(1).toBool()) {
        std::fprintf(stderr, "could not load category 0 from %s\n", qPrintable(url));
        return 1;
    }
    ChangePoller poller(cat, loader);
    poller.setFreshConnections(plain);
    int changes = 0;
    QObject::connect(&poller, &ChangePoller::changesArrived, [&] { ++changes; });
    QObject::connect(&poller, &ChangePoller::reloadNeeded, [&] { ++changes; });
    // Waits in a real event loop, as the program does: no busy waiting on the measured thread.
    QEventLoop loop;
    QObject::connect(&poller, &ChangePoller::finished, &loop, &QEventLoop::quit);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, [&] { loop.exit(1); });
    const auto pollOnce = [&] {
        poller.poll();
        guard.start(30000);
        return loop.exec() == 0;
    };
    pollOnce(); // the first poll opens the connection
    const long rssBefore = rssKb();
    const double cpuBefore = threadCpuMs();
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < polls; ++i) {
        if (!pollOnce()) {
            std::fprintf(stderr, "poll %d did not end\n", i);
            return 1;
        }
    }
    const double cpuPerTick = (threadCpuMs() - cpuBefore) / polls;
    std::printf("%d polls (%s) of %s: %.3f ms CPU per tick on the UI thread (target 1 ms), %.2f ms wall per "
                "tick, RSS %ld kB before, %ld kB after, %d changes seen\n",
                polls, plain ? "new connection per poll" : "kept connection", qPrintable(url),
                cpuPerTick, double(wall.elapsed()) / polls, rssBefore, rssKb(), changes);
    return 0;
}
