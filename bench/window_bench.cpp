// The main window against a loopback library whose category 0 holds 100,000 pictures: start-up,
// category reloads, and filling and painting the picture grid.
#include "app/main_window.h"
#include "catalogue/page_loader.h"
#include "catalogue/records.h"
#include "catalogue/string_grid_model.h"
#include "library_files.h"
#include "library_ops.h"
#include "library_server.h"
#include "platform/lifecycle.h"
#include "platform/prompts.h"
#include "platform/settings_store.h"
#include "platform/shell.h"
#include "server/http.h"

#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>
#include <memory>

using namespace kestrin;

namespace {

constexpr int kRecords = 100000;

struct QuietPrompts : Prompts
{
    void message(const QString &) override {}
    bool confirm(const QString &) override { return false; }
    bool warnYesNo(const QString &) override { return false; }
    QString chooseFolder(const QString &) override { return {}; }
};
struct NoShell : Shell
{
    bool open(const QString &) override { return true; }
    void openWith(const QString &) override {}
};
struct MemoryStore : SettingsStore
{
    QString value(const QString &) override { return {}; }
    bool setValue(const QString &, const QString &) override { return true; }
    bool sync() override { return true; }
};
struct TempFolders : ShellFolders
{
    QString folder(const QString &) override { return QDir::tempPath(); }
};

// One library for the whole run: category 0 rewritten with 100,000 records and 50 latest entries.
struct Library
{
    QTemporaryDir dir;
    std::unique_ptr<library::LibraryServer> server;
    Library()
    {
        QString error;
        library::initLibrary(dir.path(), {2, 8, 1}, &error);
        library::CategoryFiles files;
        library::readCategory(dir.path(), 0, &files, &error);
        files.records.clear();
        for (int k = 0; k < kRecords; ++k)
            files.records << QByteArray::number(k) + "\tA" + QByteArray::number(100000 + k) + "|\xCD\xBC\xD6\xBD" +
                                 QByteArray::number(k) + "|2026-12-01 10:00";
        files.latest.clear();
        for (int k = kRecords - 50; k < kRecords; ++k)
            files.latest << QByteArray::number(k);
        library::writeCategory(dir.path(), 0, files, &error);
        server = std::make_unique<library::LibraryServer>(dir.path());
        server->start({QStringLiteral("127.0.0.1")}, 0, false, &error);
    }
    ServerTable table() const
    {
        ServerTable t;
        for (int i = 0; i < 6; ++i)
            t.urls << server->url(0);
        return t;
    }
    static Library &get()
    {
        static Library lib;
        return lib;
    }
};

struct Window
{
    QuietPrompts prompts;
    NoShell shell;
    MemoryStore store;
    TempFolders folders;
    Lifecycle life;
    std::unique_ptr<TForm1> form;

    bool start()
    {
        form = std::make_unique<TForm1>(
            AppPlatform{prompts, shell, store, folders, life, Library::get().table(), [](QDialog &) { return 0; }});
        if (!form->FormCreate())
            return false;
        form->resize(963, 742);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            return false;
        form->repaint(); // first paint of the window with category 0
        return true;
    }
};

void BM_StartUpToCategoryZeroShown(benchmark::State &state)
{
    Library::get();
    for (auto _ : state) {
        Window w;
        if (!w.start())
            state.SkipWithError("start-up failed");
        state.PauseTiming();
        w.form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpToCategoryZeroShown)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ReloadCateWithNetwork(benchmark::State &state)
{
    Window w;
    w.start();
    for (auto _ : state)
        w.form->ReloadCate();
}
BENCHMARK(BM_ReloadCateWithNetwork)->Unit(benchmark::kMillisecond);

// The same work as a reload with both files already in memory.
void BM_ReloadCateWithoutNetwork(benchmark::State &state)
{
    Window w;
    w.start();
    TForm1 &f = *w.form;
    const QString base = f.cat.baseUrl();
    const QByteArray page = Http::get(base + "/kq/Page0.dat", 30000).body;
    const QByteArray changer = Http::get(base + "/kq/Changer0.dat", 30000).body;
    for (auto _ : state) {
        PageFile parsed;
        parsePageFile(page, parsed);
        applyPage(f.cat, 0, std::move(parsed));
        applyChangeLines(f.cat, 0, splitLines(changer, 4));
        f.FillLatestLists(f.cat.latest(0));
        f.FillMainGrid(f.cat.items(0));
        f.SGMain->viewport()->repaint();
    }
}
BENCHMARK(BM_ReloadCateWithoutNetwork)->Unit(benchmark::kMillisecond);

void BM_GridFillAndFirstPaint(benchmark::State &state)
{
    Window w;
    w.start();
    TForm1 &f = *w.form;
    const RecordList records = f.cat.items(0);
    for (auto _ : state) {
        f.FillMainGrid(records);
        f.SGMain->viewport()->repaint();
    }
}
BENCHMARK(BM_GridFillAndFirstPaint)->Unit(benchmark::kMillisecond);

void BM_GridScrolledViewportPaint(benchmark::State &state)
{
    Window w;
    w.start();
    TForm1 &f = *w.form;
    f.SGMain->verticalScrollBar()->setValue(kRecords / 8);
    for (auto _ : state)
        f.SGMain->viewport()->repaint();
}
BENCHMARK(BM_GridScrolledViewportPaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("图库"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
