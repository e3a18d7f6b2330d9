// Start-up with the four web tabs on a real X server, and the memory of the whole process tree (the
// program and its web engine helpers) while the counter page is loaded again and again. A timed run
// (scripts/bench starts Xvfb for it).
#include "gui/app/web_module.h"
#include "gui/app/web_tab_host.h"
#include "bench_library.h"
#include "process_memory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

using namespace kestrin;
using namespace kestrin::bench;

namespace {

// "pid:kB" for each process of the tree, to see which one grows.
QString breakdown(int pid)
{
    QString out;
    for (int p : processTree(pid))
        out += QStringLiteral(" %1:%2").arg(p).arg(pssKb(p));
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    const WebPages webPages = prepareWebPages();
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        std::fprintf(stderr, "note: running on %s, not a real X server\n", qPrintable(QGuiApplication::platformName()));
    BenchLibrary lib({20000, 2000, 2000, 2000});
    BenchWindow bench(lib);
    bench.webPages = webPages.make;
    bench.webViews = webPages.engine;

    QElapsedTimer clock;
    clock.start();
    if (!bench.start()) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }
    const double shownMs = double(clock.nsecsElapsed()) / 1e6;
    WebTabHost *tabs = bench.window->webTabs();
    const auto loaded = [&] {
        for (int i = 0; i < 4; ++i) {
            // The engine's page, reached through its properties: this program does not link the engine.
            WebPage *page = tabs->page(i);
            QObject *engine = nullptr;
            for (QObject *child : page ? page->children() : QObjectList{})
                engine = child->inherits("QWebEnginePage") ? child : engine;
            if (!engine || engine->property("loading").toBool() ||
                engine->property("title").toString().isEmpty())
                return false;
        }
        return true;
    };
    if (!waitFor(loaded, 60000)) {
        std::fprintf(stderr, "the web pages did not load\n");
        return 1;
    }
    const double pagesMs = double(clock.nsecsElapsed()) / 1e6;
    std::printf("start-up to the window shown with category 0 (20,000 pictures) and 4 web tabs: %.0f ms\n", shownMs);
    std::printf("  the four web pages loaded (asynchronously, after the window was usable): %.0f ms\n", pagesMs);

    // The counter reloads every 15 minutes; a second between reloads still runs them 900 times faster
    // but leaves the renderer's idle-time garbage collection its chance (argument: other milliseconds).
    const int gapMs = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    int counterLoads = 0;
    QObject::connect(tabs, &WebTabHost::counterLoaded, [&] { ++counterLoads; });
    waitFor([] { return false; }, 2000); // the counter's first load and the helpers settle
    const int pid = int(QCoreApplication::applicationPid());
    const long before = treePssKb(pid);
    std::printf("processes: %d; PSS of the tree with the four tabs loaded: %ld kB (reloads %d ms apart)\n",
                int(processTree(pid).size()), before, gapMs);
    long last = before;
    for (int round = 1; round <= 100; ++round) {
        const int want = counterLoads + 1;
        tabs->counterTick();
        if (!waitFor([&] { return counterLoads >= want; }, 30000)) {
            std::fprintf(stderr, "counter reload %d did not finish\n", round);
            return 1;
        }
        waitFor([] { return false; }, gapMs);
        if (round % 20 == 0) {
            last = treePssKb(pid);
            std::printf("  after %3d counter reloads: %ld kB (%+ld kB)%s\n", round, last, last - before,
                        qPrintable(breakdown(pid)));
        }
    }
    waitFor([] { return false; }, 2000);
    std::printf("  two seconds later: %ld kB (%+ld kB)\n", treePssKb(pid), treePssKb(pid) - before);
    return 0;
}
