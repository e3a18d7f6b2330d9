// Category switches as a user meets them, on a real X server: the time from the click on a category
// button until the new category is drawn and the X server has taken it, beside curl fetching and a
// memchr pass splitting the same page in the same run; and the longest time the event loop was held
// during start-up and during the switches. Needs DISPLAY (scripts/bench starts Xvfb).
#include "bench_library.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace kestrin;
using namespace kestrin::bench;

namespace {

constexpr int kRuns = 7;

// The longest gap between ticks of a 1 ms timer on the UI thread: how long the loop was held.
class LoopMonitor
{
public:
    LoopMonitor()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_maxGap = std::max(m_maxGap, now - m_last);
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    void reset() { m_maxGap = 0, m_last = m_clock.nsecsElapsed(); }
    double maxMs() const { return double(m_maxGap) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_maxGap = 0;
};

// Lets the views paint what they were told and waits until the X server has done it all.
void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    QGuiApplication::sync();
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

// curl's own transfer time for the page plus one memchr pass over its bytes for the commas.
double curlAndSplitMs(const QString &url)
{
    QList<double> runs;
    for (int i = 0; i < kRuns; ++i) {
        QProcess curl;
        curl.start(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                                            QStringLiteral("-w"), QStringLiteral("%{time_total}"), url});
        curl.waitForFinished(60000);
        runs << curl.readAllStandardOutput().toDouble() * 1000.0;
    }
    const QByteArray body = fetch(url).body;
    QElapsedTimer clock;
    clock.start();
    size_t commas = 0;
    const char *p = body.constData();
    const char *end = p + body.size();
    while ((p = static_cast<const char *>(std::memchr(p, ',', size_t(end - p))))) {
        ++commas;
        ++p;
    }
    const double split = double(clock.nsecsElapsed()) / 1e6;
    if (commas == 0)
        std::fprintf(stderr, "baseline page of %s was empty\n", qPrintable(url));
    return median(runs) + split;
}


long rssKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

void row(const QString &figure, const QString &measured, const QString &baseline, const QString &target, bool met)
{
    std::printf("%-44s %-24s %-26s %-14s %s\n", qPrintable(figure), qPrintable(measured), qPrintable(baseline),
                qPrintable(target), met ? "yes" : "NO");
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "kestrin-bench-switch needs an X server (scripts/bench starts Xvfb)\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    const QList<int> sizes{240, 100000, 300000, 300000};
    BenchLibrary lib(sizes);

    LoopMonitor monitor;
    BenchWindow w(lib);
    if (!w.start()) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }
    settle();
    const double startupBlock = monitor.maxMs();

    // Click on a category button until its grid is drawn and the X server has taken it, median of runs.
    double switchBlock = 0, lastBlock = 0;
    const auto timedSwitch = [&](int c, bool changedMeanwhile) -> double {
        QList<double> runs;
        lastBlock = 0;
        for (int i = 0; i < kRuns; ++i) {
            w.switchTo(0);
            if (changedMeanwhile && !lib.publishChange(c))
                return -1;
            settle();
            monitor.reset();
            QElapsedTimer clock;
            clock.start();
            if (!w.switchTo(c))
                return -1;
            settle();
            runs << double(clock.nsecsElapsed()) / 1e6;
            lastBlock = std::max(lastBlock, monitor.maxMs());
            switchBlock = std::max(switchBlock, lastBlock);
        }
        return median(runs);
    };

    std::printf("library served by %s on loopback\n", qPrintable(lib.serverName()));
    std::printf("%-44s %-24s %-26s %-14s %s\n", "figure (real X server)", "measured", "baseline", "target", "met");
    bool all = true;
    for (int c : {1, 2}) {
        const double base = curlAndSplitMs(lib.pageUrl(c));
        const QString baseline = QStringLiteral("curl+split %1 ms").arg(base, 0, 'f', 1);
        for (bool changed : {false, true}) {
            const double ms = timedSwitch(c, changed);
            if (ms < 0) {
                std::fprintf(stderr, "switch to category %d failed\n", c);
                return 1;
            }
            const double factor = changed ? 2 : 1;
            const bool met = ms <= factor * base;
            all = all && met;
            row(QStringLiteral("switch click→drawn, %1k, %2").arg(sizes[c] / 1000).arg(changed ? "changed" : "unchanged"),
                QStringLiteral("%1 ms (block %2)").arg(ms, 0, 'f', 1).arg(lastBlock, 0, 'f', 0), baseline, QStringLiteral("≤ %1× = %2 ms").arg(factor).arg(factor * base, 0, 'f', 0), met);
        }
    }

    // Memory over switches between two large categories, each measured once the program had its
    // second after the last load to hand memory back.
    for (bool changed : {false, true}) {
        long afterTwo = 0, afterTwenty = 0;
        QString path;
        for (int i = 1; i <= 20; ++i) {
            const int c = 2 + i % 2;
            if (changed && !lib.publishChange(c))
                return 1;
            if (!w.switchTo(c))
                return 1;
            settle();
            if (i == 2 || i % 5 == 0) {
                waitFor([] { return false; }, 1500);
                const long kb = rssKb();
                (i == 2 ? afterTwo : afterTwenty) = kb;
                path += QStringLiteral(" %1").arg(kb / 1024);
            }
        }
        const bool met = afterTwenty - afterTwo <= 10 * 1024;
        all = all && met;
        row(QStringLiteral("RSS after 20 switches 300k↔300k, %1").arg(changed ? "changed" : "unchanged"),
            QStringLiteral("%1 MB").arg(afterTwenty / 1024), QStringLiteral("after the first two: %1 MB").arg(afterTwo / 1024),
            QStringLiteral("≤ +10 MB"), met);
        std::printf("  (MB after 2, 5, 10, 15, 20 switches:%s)\n", qPrintable(path));
    }

    const bool blocksMet = startupBlock <= 50 && switchBlock <= 50;
    all = all && blocksMet;
    row(QStringLiteral("longest event-loop block, start / switches"),
        QStringLiteral("%1 / %2 ms").arg(startupBlock, 0, 'f', 1).arg(switchBlock, 0, 'f', 1), QString(), QStringLiteral("≤ 50 ms"), blocksMet);
    std::printf("%s\n", all ? "all within target" : "OUTSIDE TARGET");
    return 0;
}
