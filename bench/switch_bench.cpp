// Category switches as a user meets them, on a real X server: the time from the click on a category
// button until the new category is drawn and the X server has taken it, beside curl fetching and a
// memchr pass splitting the same page in the same run; and the longest time the event loop was held
// during start-up and during the switches. Needs DISPLAY (scripts/bench starts Xvfb).
#include "bench_library.h"

#include <QApplication>
#include <QElapsedTimer>
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

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "kestrin-bench-switch needs an X server (scripts/bench starts Xvfb)\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    const QList<int> sizes{240, 100000, 300000};
    BenchLibrary lib(sizes);

    LoopMonitor monitor;
    BenchWindow w(lib);
    if (!w.start()) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }
    settle();
    const double startupBlock = monitor.maxMs();

    std::printf("%-34s %12s %12s %14s\n", "category switch (real X server)", "click→drawn", "curl+split", "longest block");
    double switchBlock = 0;
    bool withinTargets = startupBlock <= 50;
    for (int c : {1, 2}) {
        QList<double> runs;
        double block = 0;
        for (int i = 0; i < kRuns; ++i) {
            w.switchTo(0);
            settle();
            monitor.reset();
            QElapsedTimer clock;
            clock.start();
            if (!w.switchTo(c)) {
                std::fprintf(stderr, "switch to category %d failed\n", c);
                return 1;
            }
            settle();
            runs << double(clock.nsecsElapsed()) / 1e6;
            block = std::max(block, monitor.maxMs());
        }
        switchBlock = std::max(switchBlock, block);
        const double drawn = median(runs);
        const double target = sizes[c] <= 100000 ? 30 : 100;
        withinTargets = withinTargets && drawn <= target;
        std::printf("%-34s %9.1f ms %9.1f ms %11.1f ms   (target %.0f ms)\n",
                    qPrintable(QStringLiteral("%1 records").arg(sizes[c])), drawn, curlAndSplitMs(lib.pageUrl(c)),
                    block, target);
    }
    std::printf("longest event-loop block: start-up %.1f ms, switches %.1f ms (target 50 ms)\n", startupBlock,
                switchBlock);
    withinTargets = withinTargets && switchBlock <= 50;
    std::printf("%s\n", withinTargets ? "all within target" : "OUTSIDE TARGET");
    return 0;
}
