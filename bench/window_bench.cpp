// The main window against a loopback library whose category 0 holds 100,000 pictures: start-up,
// category reloads, and filling and painting the picture grid (offscreen; see switch_bench for the
// same on a real X server).
#include "app/main_window.h"
#include "bench_library.h"
#include "catalogue/latest_rows.h"
#include "catalogue/page_file.h"
#include "catalogue/records.h"
#include "gallery/gallery_page.h"
#include "gallery/picture_grid.h"
#include "server/http.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <benchmark/benchmark.h>

using namespace kestrin;
using namespace kestrin::bench;

namespace {

constexpr int kRecords = 100000;

BenchLibrary &library()
{
    static BenchLibrary lib({kRecords});
    return lib;
}

void BM_StartUpToCategoryZeroShown(benchmark::State &state)
{
    library();
    for (auto _ : state) {
        BenchWindow w(library());
        if (!w.start())
            state.SkipWithError("start-up failed");
        state.PauseTiming();
        w.window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpToCategoryZeroShown)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ReloadCategoryWithNetwork(benchmark::State &state)
{
    BenchWindow w(library());
    w.start();
    for (auto _ : state) {
        if (!w.reload())
            state.SkipWithError("reload failed");
    }
}
BENCHMARK(BM_ReloadCategoryWithNetwork)->Unit(benchmark::kMillisecond);

// The same work as a reload with both files already in memory.
void BM_ReloadCategoryWithoutNetwork(benchmark::State &state)
{
    BenchWindow w(library());
    w.start();
    MainWindow &m = *w.window;
    const QString base = m.catalogue().baseUrl();
    const QByteArray page = fetch(base + "/kq/Page0.dat").body;
    const QByteArray changer = fetch(base + "/kq/Changer0.dat").body;
    for (auto _ : state) {
        PageFile parsed;
        parsePageFile(page, parsed);
        applyPage(m.catalogue(), 0, std::move(parsed));
        applyChangeLines(m.catalogue(), 0, splitLines(changer, 4));
        const LatestRows rows = latestRows(m.catalogue(), m.catalogue().latest(0), false);
        m.galleryPage()->setLatestRows(rows.top);
        m.galleryPage()->showRecords(m.catalogue().items(0), false);
        m.galleryPage()->pictureGrid()->viewport()->repaint();
    }
}
BENCHMARK(BM_ReloadCategoryWithoutNetwork)->Unit(benchmark::kMillisecond);

void BM_GridFillAndFirstPaint(benchmark::State &state)
{
    BenchWindow w(library());
    w.start();
    GalleryPage *g = w.window->galleryPage();
    const RecordList records = w.window->catalogue().items(0);
    for (auto _ : state) {
        g->showRecords(records, true);
        g->pictureGrid()->viewport()->repaint();
    }
}
BENCHMARK(BM_GridFillAndFirstPaint)->Unit(benchmark::kMillisecond);

void BM_GridScrolledViewportPaint(benchmark::State &state)
{
    BenchWindow w(library());
    w.start();
    PictureGrid *grid = w.window->galleryPage()->pictureGrid();
    grid->verticalScrollBar()->setValue(kRecords / 8);
    for (auto _ : state)
        grid->viewport()->repaint();
}
BENCHMARK(BM_GridScrolledViewportPaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
