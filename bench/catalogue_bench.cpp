// Parsing a large category page and building a personal selection over it.
#include "core/catalogue/catalogue.h"
#include "core/catalogue/gbk.h"
#include "core/catalogue/page_file.h"
#include "core/catalogue/records.h"
#include "core/gallery/search.h"
#include "core/personal/profile_file.h"
#include "core/personal/selection_store.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cstring>

using namespace kestrin;

namespace {

QByteArray makePage(int records)
{
    const QByteArray name = gbk::encode(QString::fromUtf8("東方億豐结构图"));
    QByteArray body;
    body.reserve(records * 48);
    for (int i = 0; i < records; ++i) {
        if (i)
            body += ',';
        body += QByteArray::number(i) + "\tA" + QByteArray::number(100000 + i) + '|' + name + QByteArray::number(i) +
                "|2026-11-01 12:34";
    }
    body += "\r\n";
    for (int i = records - 50; i < records; ++i)
        body += QByteArray::number(i) + (i + 1 < records ? "," : "");
    body += "\r\n";
    return body;
}

const QByteArray &page100k()
{
    static const QByteArray body = makePage(100000);
    return body;
}

// The floor: one memchr pass finding every comma of the same bytes.
void BM_MemchrBaseline(benchmark::State &state)
{
    const QByteArray &body = page100k();
    for (auto _ : state) {
        size_t count = 0;
        const char *p = body.constData();
        const char *end = p + body.size();
        while ((p = static_cast<const char *>(std::memchr(p, ',', size_t(end - p))))) {
            ++count;
            ++p;
        }
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * body.size());
}
BENCHMARK(BM_MemchrBaseline)->Unit(benchmark::kMicrosecond);

void BM_ParsePageIntoCategory(benchmark::State &state)
{
    const QByteArray &body = page100k();
    Catalogue cat;
    cat.reset({{"a", "kq/p", ".jpg"}});
    for (auto _ : state) {
        PageFile page;
        parsePageFile(body, page);
        applyPage(cat, 0, std::move(page));
        benchmark::DoNotOptimize(cat.items(0).size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * body.size());
}
BENCHMARK(BM_ParsePageIntoCategory)->Unit(benchmark::kMicrosecond);

// A configuration line of bars, as a broken or hostile server may send: the parts come out in one
// pass over the text (the time grew with the square of the bars while each search began again at the start).
void BM_SplitAtBars(benchmark::State &state)
{
    QByteArray line;
    for (int i = 0; i < state.range(0); ++i)
        line += "\xCD\xBC|";
    for (auto _ : state)
        benchmark::DoNotOptimize(splitString(line, "|").size());
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SplitAtBars)->RangeMultiplier(4)->Range(4096, 262144)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

void BM_BuildSelectRecords10kOf100k(benchmark::State &state)
{
    Catalogue cat;
    cat.reset({{"a", "kq/p", ".jpg"}});
    PageFile page;
    parsePageFile(page100k(), page);
    applyPage(cat, 0, std::move(page));
    QList<QByteArray> names;
    for (int i = 0; i < 10000; ++i)
        names << "A" + QByteArray::number(100000 + (i * 7919) % 100000);
    for (auto _ : state) {
        auto result = cat.buildSelectRecords(0, names);
        benchmark::DoNotOptimize(result->size());
    }
}
BENCHMARK(BM_BuildSelectRecords10kOf100k)->Unit(benchmark::kMillisecond);

// 10,000 picked names spread over 50 categories, and a store file that also holds 999 other users.
struct Picks
{
    QTemporaryDir dir;
    Catalogue cat;
    SelectionStore store{dir.filePath("MySelect.ini")};
    Picks()
    {
        cat.reset(QList<CategoryEntry>(50, {"c", "f", ".jpg"}));
        for (int i = 0; i < 10000; ++i)
            cat.categories[size_t(i % 50)].selection << "A" + QByteArray::number(100000 + i);
        ProfileFile file;
        file.load(store.path());
        for (int u = 0; u < 1000; ++u) {
            const QByteArray section = QByteArray(SelectionStore::kSectionPrefix) + "user" + QByteArray::number(u);
            if (!file.setValue(section, "UserPassword", "pw" + QByteArray::number(u)) ||
                !file.setValue(section, "UserSelect", "A1,A2,|B1,"))
                qFatal("profile value refused");
        }
        file.save();
        QString error;
        store.saveSelection("user500", cat, &error);
    }
};

void BM_SaveSelection10kNamesOver50Categories(benchmark::State &state)
{
    Picks p;
    QString error;
    for (auto _ : state)
        benchmark::DoNotOptimize(p.store.saveSelection("user500", p.cat, &error));
}
BENCHMARK(BM_SaveSelection10kNamesOver50Categories)->Unit(benchmark::kMillisecond);

void BM_LoadSelection10kNamesOver50Categories(benchmark::State &state)
{
    Picks p;
    Catalogue back;
    back.reset(QList<CategoryEntry>(50, {"c", "f", ".jpg"}));
    for (auto _ : state) {
        p.store.loadSelection("user500", back);
        benchmark::DoNotOptimize(back.categories[7].selection.size());
    }
}
BENCHMARK(BM_LoadSelection10kNamesOver50Categories)->Unit(benchmark::kMillisecond);

void BM_LoginAmong1000Users(benchmark::State &state)
{
    Picks p;
    for (auto _ : state)
        benchmark::DoNotOptimize(p.store.password("USER999"));
}
BENCHMARK(BM_LoginAmong1000Users)->Unit(benchmark::kMillisecond);

// A name found in a category of 100,000 pictures: every Chinese name searched character by character.
void BM_Search100kRecords(benchmark::State &state)
{
    Catalogue cat;
    cat.reset({{"a", "kq/p", ".jpg"}});
    PageFile page;
    parsePageFile(page100k(), page);
    applyPage(cat, 0, std::move(page));
    const QByteArray text = gbk::encode(QString::fromUtf8("结构图777"));
    for (auto _ : state)
        benchmark::DoNotOptimize(searchRecords(cat.items(0), text).size());
}
BENCHMARK(BM_Search100kRecords)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
