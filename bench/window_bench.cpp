// The main window against a loopback library whose category 0 holds 100,000 pictures: start-up,
// category reloads, and filling and painting the picture grid (offscreen; see switch_bench for the
// same on a real X server).
#include "gui/app/main_window.h"
#include "bench_library.h"
#include "core/catalogue/change_merge.h"
#include "core/catalogue/gbk.h"
#include "core/catalogue/latest_list_model.h"
#include "core/catalogue/latest_rows.h"
#include "core/download/download_queue.h"
#include "gui/download/file_page.h"
#include "core/gallery/picture_grid_model.h"
#include "gui/ui/picture_list.h"
#include "core/catalogue/page_file.h"
#include "core/catalogue/records.h"
#include "gui/gallery/gallery_page.h"
#include <QLineEdit>
#include "gui/gallery/picture_grid.h"
#include "core/server/http.h"

#include <QApplication>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>
#include <QTest>
#include <benchmark/benchmark.h>
#include <malloc.h>

using namespace kestrin;
using namespace kestrin::bench;

namespace {

constexpr int kRecords = 100000;

// Heap bytes in use: what a structure really takes, whatever the process's pages were before.
double heapKb() { return double(mallinfo2().uordblks) / 1024.0; }

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
    Catalogue cat = m.catalogue(); // the session's own is not for writing
    for (auto _ : state) {
        PageFile parsed;
        parsePageFile(page, parsed);
        applyPage(cat, 0, std::move(parsed));
        applyChangeLines(cat, 0, splitLines(changer, 4));
        const LatestRows rows = latestRows(cat, cat.latest(0), false);
        m.session().latestList().setRows(rows.top);
        m.galleryPage()->pictureGrid()->showRecords(0, cat.items(0), false, 0);
        m.galleryPage()->pictureGrid()->viewport()->repaint();
    }
}
BENCHMARK(BM_ReloadCategoryWithoutNetwork)->Unit(benchmark::kMillisecond);

// A change list of 200 pictures of the category merged into the views, and the window repainted where
// the merge made it out of date (the whole latest list, the grid's changed cells that are in view).
void BM_Merge200ChangesInto100kAndRepaint(benchmark::State &state)
{
    BenchWindow w(library());
    w.start();
    MainWindow &m = *w.window;
    GalleryPage *g = m.galleryPage();
    PictureGridModel *grid = g->pictureGrid()->gridModel();
    MergeTargets targets{g->latestList()->listModel(), m.filePage()->fileList()->listModel(),
                         [grid](qsizetype index, const QByteArray &record) { grid->updateRecord(0, index, record); }};
    QList<QByteArray> entries;
    for (int i = 0; i < 200; ++i)
        entries << QByteArray::number((i * 499) % kRecords);
    QCoreApplication::processEvents();
    Catalogue cat = m.catalogue();
    for (auto _ : state) {
        benchmark::DoNotOptimize(applyChanges(cat, 0, entries, targets, {}).size());
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_Merge200ChangesInto100kAndRepaint)->Unit(benchmark::kMillisecond);

// The file list of a category whose 100,000 pictures all stand among its latest entries: rows made,
// sorted by time and shown.
void BM_FileListFillAndSort100k(benchmark::State &state)
{
    BenchWindow w(library());
    w.start();
    MainWindow &m = *w.window;
    QList<QByteArray> entries;
    for (int k = 0; k < kRecords; ++k)
        entries << QByteArray::number((k * 7919) % kRecords);
    m.pages()->setCurrentIndex(1);
    for (auto _ : state) {
        m.session().fileList().setRows(latestRows(m.catalogue(), entries, false).main);
        m.filePage()->fileList()->viewport()->repaint();
    }
}
BENCHMARK(BM_FileListFillAndSort100k)->Unit(benchmark::kMillisecond);

// A queue already holding 10,000 pictures: one more queued, and the list repainted.
void BM_EnqueueOnto10kAndRepaint(benchmark::State &state)
{
    BenchWindow w(library());
    w.start();
    MainWindow &m = *w.window;
    m.pages()->setCurrentIndex(1);
    QueueEntry e;
    e.chineseName = "\xCD\xBC";
    e.category = 0;
    e.folder = "kq/pic0";
    e.extension = ".jpg";
    const double before = heapKb();
    for (int i = 0; i < 10000; ++i) {
        e.fileName = "A" + QByteArray::number(100000 + i);
        m.downloads().enqueue(e);
    }
    state.counters["queue_memory_kB"] = heapKb() - before;
    QTableView *list = m.filePage()->queueList();
    list->scrollToBottom();
    for (auto _ : state) {
        m.downloads().enqueue(e);
        list->viewport()->repaint();
    }
    m.downloads().timer().stop();
}
BENCHMARK(BM_EnqueueOnto10kAndRepaint)->Unit(benchmark::kMillisecond);

// A search typed on the gallery page over 100,000 pictures, until its results are painted.
void BM_SearchAndShowIn100k(benchmark::State &state)
{
    BenchWindow w(library());
    w.start();
    MainWindow &m = *w.window;
    // The pictures' Chinese names are one word and a number: those whose number starts with 77.
    m.galleryPage()->searchEdit()->setText(gbk::decode("\xCD\xBC\xD6\xBD") + QStringLiteral("77"));
    for (auto _ : state) {
        m.search();
        m.galleryPage()->pictureGrid()->viewport()->repaint();
    }
    state.counters["results"] = double(m.galleryPage()->pictureGrid()->gridModel()->recordCount());
}
BENCHMARK(BM_SearchAndShowIn100k)->Unit(benchmark::kMillisecond);

void BM_GridFillAndFirstPaint(benchmark::State &state)
{
    BenchWindow w(library());
    w.start();
    GalleryPage *g = w.window->galleryPage();
    for (auto _ : state) {
        g->showAll(true);
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

// Each paint a part of the category not painted before: no laid-out text to reuse.
void BM_GridNewViewportPaint(benchmark::State &state)
{
    BenchWindow w(library());
    w.start();
    PictureGrid *grid = w.window->galleryPage()->pictureGrid();
    QScrollBar *bar = grid->verticalScrollBar();
    int row = 0;
    for (auto _ : state) {
        row = (row + 60) % (bar->maximum() - 60);
        bar->setValue(row);
        grid->viewport()->repaint();
    }
}
BENCHMARK(BM_GridNewViewportPaint)->Unit(benchmark::kMicrosecond);

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
