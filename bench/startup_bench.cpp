// Start-up and memory of the real program against the yardstick of a minimal Qt Widgets program, on the
// display in DISPLAY (scripts/bench-startup starts Xvfb when there is none). A library whose category 0
// holds 100,000 pictures is served on the program's built-in address 127.0.0.1:16990; each round starts,
// one after the other, the minimal program, the program with its web tabs and the program with the web
// engine switched off, each with a fresh home. Prints one table of medians against the targets.
//   kestrin-bench-startup [--runs N] [--program PATH] [--minimal PATH]
#include "bench_library.h"
#include "library_server.h"
#include "process_memory.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <csignal>

using namespace kestrin;
using namespace kestrin::bench;

namespace {

constexpr int kPort = 16990;
constexpr int kRecords = 100000;
constexpr int kIdleMs = 3000; // after the last load: the program hands back what its loads used

struct Figures
{
    QList<double> values;
    void add(double v) { values << v; }
    double median() const
    {
        QList<double> v = values;
        std::sort(v.begin(), v.end());
        return v.isEmpty() ? 0 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
    }
    QString summary(const char *unit) const
    {
        if (values.isEmpty())
            return QStringLiteral("-");
        return QStringLiteral("%1 %4 (%2-%3)")
            .arg(median(), 0, 'f', 0)
            .arg(*std::min_element(values.begin(), values.end()), 0, 'f', 0)
            .arg(*std::max_element(values.begin(), values.end()), 0, 'f', 0)
            .arg(QLatin1String(unit));
    }
};

// Waits on the event loop until a line starting with prefix arrives on the channel; its rest, or "".
QString awaitLine(QProcess &p, QProcess::ProcessChannel channel, const QByteArray &prefix, int ms)
{
    p.setReadChannel(channel);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        while (p.canReadLine()) {
            const QByteArray line = p.readLine().trimmed();
            if (line.startsWith(prefix))
                return QString::fromUtf8(line.mid(prefix.size())).trimmed();
        }
        if (p.state() == QProcess::NotRunning)
            break; // and what it wrote has been read
        waitFor([&] { return p.canReadLine() || p.state() == QProcess::NotRunning; }, 50);
    }
    return {};
}

void pause(int ms) { waitFor([] { return false; }, ms); }

QProcessEnvironment freshEnvironment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QDir().mkpath(home + QStringLiteral("/.run"));
    QFile::setPermissions(home + QStringLiteral("/.run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/.run"));
    env.insert(QStringLiteral("KESTRIN_REPORT_GRID_DRAWN"), QStringLiteral("1"));
    env.remove(QStringLiteral("KESTRIN_NO_WEBENGINE"));
    return env;
}

void launch(QProcess &p, const QString &program, QProcessEnvironment env)
{
    env.insert(QStringLiteral("KESTRIN_LAUNCH_US"), QString::number(QDateTime::currentMSecsSinceEpoch() * 1000));
    p.setProcessEnvironment(env);
    p.start(program, {});
}

void stop(QProcess &p)
{
    p.terminate();
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished(5000);
    }
}

bool served(const library::LibraryServer &server, const QString &path)
{
    for (const QString &line : server.log()) {
        if (line.contains(path))
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const QString &name, const QString &fallback) {
        const qsizetype i = args.indexOf(name);
        return i > 0 && i + 1 < args.size() ? args[i + 1] : fallback;
    };
    const QString here = QCoreApplication::applicationDirPath();
    const int runs = option(QStringLiteral("--runs"), QStringLiteral("7")).toInt();
    const QString program = option(QStringLiteral("--program"), here + QStringLiteral("/../src/kestrin"));
    const QString minimal = option(QStringLiteral("--minimal"), here + QStringLiteral("/kestrin-bench-minimal"));
    for (const QString &exe : {program, minimal}) {
        if (!QFileInfo(exe).isExecutable()) {
            std::fprintf(stderr, "not found: %s\n", qPrintable(exe));
            return 1;
        }
    }
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, kPort)) {
            std::fprintf(stderr, "port %d on 127.0.0.1 is in use: the program's built-in address is not free\n", kPort);
            return 1;
        }
    }
    QTemporaryDir work;
    QString error;
    const QString root = work.path() + QStringLiteral("/lib");
    if (!writeBenchLibrary(root, {kRecords, 1000, 1000}, &error)) {
        std::fprintf(stderr, "library: %s\n", qPrintable(error));
        return 1;
    }
    const long pageBytes = QFileInfo(root + QStringLiteral("/kq/Page0.dat")).size();
    library::LibraryServer server(root);
    if (!server.start({QStringLiteral("127.0.0.1")}, kPort, false, &error)) {
        std::fprintf(stderr, "server: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("port %d free; library with %d pictures in category 0 served there; %d runs each\n", kPort, kRecords, runs);

    Figures minimalFrame, minimalRss, gridWeb, gridPlain, rssPlain, pssPlain, treeWeb, processes;
    QString lastTree;
    for (int run = 1; run <= runs; ++run) {
        const QString home = work.path() + QStringLiteral("/home%1-").arg(run);
        {
            QProcess p;
            launch(p, minimal, freshEnvironment(home + QStringLiteral("minimal")));
            const QString frame = awaitLine(p, QProcess::StandardOutput, "first frame", 20000);
            const QString rss = awaitLine(p, QProcess::StandardOutput, "rss", 20000);
            p.waitForFinished(5000);
            if (frame.isEmpty() || rss.isEmpty()) {
                std::fprintf(stderr, "the minimal program did not report\n");
                return 1;
            }
            minimalFrame.add(frame.split(' ').first().toDouble());
            minimalRss.add(rss.split(' ').first().toDouble() / 1024);
        }
        for (const bool web : {true, false}) {
            QProcessEnvironment env = freshEnvironment(home + (web ? QStringLiteral("web") : QStringLiteral("plain")));
            if (!web)
                env.insert(QStringLiteral("KESTRIN_NO_WEBENGINE"), QStringLiteral("1"));
            server.clearLog();
            QProcess p;
            launch(p, program, env);
            const QString drawn = awaitLine(p, QProcess::StandardError, "kestrin: grid drawn", 30000);
            if (drawn.isEmpty()) {
                std::fprintf(stderr, "the program did not report its grid drawn (web %d)\n", int(web));
                stop(p);
                return 1;
            }
            (web ? gridWeb : gridPlain).add(drawn.split(' ').first().toDouble());
            const int pid = int(p.processId());
            if (web) {
                const bool loaded = waitFor([&] {
                    for (const char *path : {"kq/rd1.htm", "kq/rd2.htm", "kq/rd3.htm", "kq/rd4.htm", "kq/counter.htm"}) {
                        if (!served(server, QLatin1String(path)))
                            return false;
                    }
                    return true;
                }, 30000);
                if (!loaded)
                    std::fprintf(stderr, "run %d: the web pages were not all asked for\n", run);
                pause(kIdleMs);
                treeWeb.add(double(treePssKb(pid)) / 1024);
                const QList<int> tree = processTree(pid);
                processes.add(tree.size());
                lastTree.clear();
                for (int p : tree)
                    lastTree += QStringLiteral("    %1  %2  %3 kB\n").arg(p, 7).arg(processRole(p), -24).arg(pssKb(p), 7);
            } else {
                pause(kIdleMs);
                rssPlain.add(double(rssKb(pid)) / 1024);
                pssPlain.add(double(pssKb(pid)) / 1024);
            }
            stop(p);
        }
    }
    server.stop();

    const double frame = minimalFrame.median(), rss = minimalRss.median(), records = double(pageBytes) / (1 << 20);
    const auto met = [](bool ok) { return ok ? "yes" : "NO"; };
    std::printf("\n| figure | median (min-max) | baseline | target | met? |\n|---|---|---|---|---|\n");
    std::printf("| minimal program: exec -> first frame | %s | | | |\n", qPrintable(minimalFrame.summary("ms")));
    std::printf("| minimal program: idle RSS | %s | | | |\n", qPrintable(minimalRss.summary("MB")));
    std::printf("| exec -> grid drawn, %dk records, web tabs on | %s | minimal %.0f ms | <= %.0f ms (1.5x) | %s |\n",
                kRecords / 1000, qPrintable(gridWeb.summary("ms")), frame, 1.5 * frame, met(gridWeb.median() <= 1.5 * frame));
    std::printf("| exec -> grid drawn, %dk records, web engine off | %s | minimal %.0f ms | <= %.0f ms (1.5x) | %s |\n",
                kRecords / 1000, qPrintable(gridPlain.summary("ms")), frame, 1.5 * frame, met(gridPlain.median() <= 1.5 * frame));
    std::printf("| idle RSS, web engine off (PSS %s) | %s | minimal %.1f MB + records %.1f MB | <= %.1f MB | %s |\n",
                qPrintable(pssPlain.summary("MB")), qPrintable(rssPlain.summary("MB")), rss, records, rss + records + 20,
                met(rssPlain.median() <= rss + records + 20));
    std::printf("| process tree PSS, web tabs loaded (%s processes) | %s | | <= 180 MB | %s |\n",
                qPrintable(processes.summary("")), qPrintable(treeWeb.summary("MB")), met(treeWeb.median() <= 180));
    std::printf("\nrecords held: the bytes of category 0's page file (%ld), which the program keeps as they came.\n", pageBytes);
    std::printf("PSS per process of the last run with web tabs (pid, role, PSS):\n%s", qPrintable(lastTree));
    return 0;
}
