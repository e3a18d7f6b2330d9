// Merging a change list of about 1 MB into a large category: every entry rewrites its record, takes the
// picture's rows out of the latest list and the file list and puts a new row at the top of both.
#include "core/catalogue/catalogue.h"
#include "core/catalogue/change_merge.h"
#include "core/catalogue/gbk.h"
#include "core/catalogue/latest_list_model.h"
#include "core/download/file_list.h"
#include "core/gallery/picture_grid_model.h"

#include <benchmark/benchmark.h>
#include <map>
#include <memory>

using namespace kestrin;

namespace {

// A category of n pictures whose latest entries name the newest `listed` of them, oldest first: the file
// list holds a row per entry (a server may list every picture).
struct Library
{
    RecordList records;
    QList<LatestRow> top;
    QList<LatestRow> main;

    Library(int n, int listed)
    {
        const QByteArray name = gbk::encode(QString::fromUtf8("東方億豐结构图"));
        QByteArray body;
        body.reserve(qsizetype(n) * 48);
        for (int k = 0; k < n; ++k) {
            if (k)
                body += ',';
            body += QByteArray::number(k) + "\tA" + QByteArray::number(100000 + k) + '|' + name +
                    QByteArray::number(k) + "|2026-11-01 12:" + QByteArray::number(10 + k % 50);
        }
        records = RecordList::split(body, ',');
        Catalogue cat;
        cat.reset({{"c", "kq/p", ".jpg"}});
        cat.categories[0].items = records;
        QList<QByteArray> latest;
        latest.reserve(listed);
        for (int k = n - listed; k < n; ++k)
            latest << QByteArray::number(k);
        LatestRows rows = latestRows(cat, latest, false);
        top = std::move(rows.top);
        main = std::move(rows.main);
    }
    // Made once for all the runs that use it: two million records take a while.
    static const Library &of(int n, int listed)
    {
        static std::map<std::pair<int, int>, std::unique_ptr<Library>> made;
        auto &lib = made[{n, listed}];
        if (!lib)
            lib = std::make_unique<Library>(n, listed);
        return *lib;
    }
};

// count entries "123456," spread over the whole category (about 1.1 MB for 150,000): one in ten
// withdrawn, one in twenty the same as an entry a moment before.
QList<QByteArray> changeList(int n, int count)
{
    QList<QByteArray> entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i) {
        const qint64 id = (qint64(i) * 7919 + 13) % n;
        if (i % 20 == 19)
            entries << entries[i - 7];
        else
            entries << (i % 10 == 3 ? "-" : "") + QByteArray::number(id);
    }
    return entries;
}

qsizetype byteSize(const QList<QByteArray> &entries)
{
    qsizetype bytes = 0;
    for (const QByteArray &e : entries)
        bytes += e.size() + 1;
    return bytes;
}

// What one merge starts from: the category's own records, the grid showing page 2 or 100,000 picked
// pictures, both lists filled, the file list in the order of a column.
struct Window
{
    Catalogue cat;
    PictureGridModel grid;
    LatestListModel latest{&latestRowTone};
    LatestListModel files{&fileRowTone};

    Window(const Library &lib, int column, bool picks)
    {
        cat.reset({{"c", "kq/p", ".jpg"}});
        Category &category = cat.categories[0];
        category.items = lib.records;
        category.items->set(0, category.items->at(0).toByteArray()); // a list of its own, as after a load
        category.taken = MarkList(lib.records.size());
        category.updateTime = "2026-11-02 08:00";
        if (picks) {
            RecordList picked;
            for (qsizetype k = 0; k < lib.records.size(); k += lib.records.size() / 100000)
                picked.append(lib.records.at(k));
            grid.fill(0, picked, PictureGridModel::kFindById);
        } else {
            grid.fill(0, category.items->mid(240, 240), 240);
        }
        files.setOrder([column](const LatestRow &a, const LatestRow &b) { return fileRowBefore(a, b, column); });
        latest.setRows(lib.top);
        QList<LatestRow> rows = lib.main;
        rows.detach(); // rows of its own, as a load leaves them
        files.setRows(std::move(rows));
    }
    MergeTargets targets()
    {
        return {&latest, &files, [this](qsizetype index, const QByteArray &text) { grid.updateRecord(0, index, text); }};
    }
};

// Arguments: records, change entries, the file list's column (1 time, its first order; 0 file name),
// what the grid shows (0 a page, 1 picks), latest entries (the file list holds as many rows).
void BM_MergeChangeList(benchmark::State &state)
{
    const Library &lib = Library::of(int(state.range(0)), int(state.range(4)));
    const QList<QByteArray> entries = changeList(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<Window>(lib, int(state.range(2)), state.range(3) != 0);
        QList<Announcement> announced;
        state.ResumeTiming();

        announced = applyChanges(window->cat, 0, entries, window->targets(), {});

        state.PauseTiming();
        benchmark::DoNotOptimize(announced.size());
        announced.clear();
        window.reset(); // freeing the lists is not the merge's cost
        state.ResumeTiming();
    }
    state.counters["entries"] = double(entries.size());
    state.counters["KB"] = double(byteSize(entries)) / 1024;
}
BENCHMARK(BM_MergeChangeList)
    ->ArgNames({"records", "entries", "column", "picks", "listed"})
    ->Args({200000, 15000, 1, 0, 200000})
    ->Args({2000000, 150000, 1, 0, 50})      // a 1 MB change list, the latest entries a library lists
    ->Args({2000000, 150000, 1, 0, 2000000}) // ... and a server that lists every picture as latest
    ->Args({2000000, 150000, 0, 0, 2000000})
    ->Args({2000000, 150000, 1, 1, 2000000})
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
