#include "bench_library.h"

#include "gui/gallery/category_bar.h"
#include "gui/gallery/gallery_page.h"
#include "library_files.h"
#include "library_ops.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <QToolButton>

namespace kestrin::bench {

QString TempFolders::folder(const QString &)
{
    static QTemporaryDir dir;
    return dir.path();
}

bool writeBenchLibrary(const QString &dir, const QList<int> &sizes, QString *error)
{
    if (!library::initLibrary(dir, {int(sizes.size()), 8, 1}, error))
        return false;
    for (int c = 0; c < sizes.size(); ++c) {
        library::CategoryFiles files;
        if (!library::readCategory(dir, c, &files, error))
            return false;
        files.records.clear();
        files.records.reserve(sizes[c]);
        for (int k = 0; k < sizes[c]; ++k)
            files.records << QByteArray::number(k) + "\tA" + QByteArray::number(100000 + k) + "|\xCD\xBC\xD6\xBD" +
                                 QByteArray::number(k) + "|2026-12-01 10:00";
        files.latest.clear();
        for (int k = qMax(0, sizes[c] - 50); k < sizes[c]; ++k)
            files.latest << QByteArray::number(k);
        if (!library::writeCategory(dir, c, files, error))
            return false;
    }
    return true;
}

BenchLibrary::BenchLibrary(const QList<int> &sizes)
{
    QString error;
    writeBenchLibrary(m_dir.path(), sizes, &error);
    m_server = std::make_unique<library::LibraryServer>(m_dir.path());
    m_server->start({QStringLiteral("127.0.0.1")}, 0, false, &error);
}

ServerTable BenchLibrary::table() const
{
    ServerTable t;
    for (int i = 0; i < 6; ++i)
        t.urls << m_server->url(0);
    return t;
}

QString BenchLibrary::pageUrl(int category) const
{
    return m_server->url(0) + QStringLiteral("/kq/Page%1.dat").arg(category);
}

bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

HttpResult fetch(const QString &url)
{
    QObject context;
    HttpRequest request;
    request.url = url;
    HttpResult result;
    bool done = false;
    Http::get(request, &context, [&](const HttpResult &r) {
        result = r;
        done = true;
    });
    waitFor([&] { return done; });
    return result;
}

bool BenchWindow::start()
{
    window = std::make_unique<MainWindow>(Platform{prompts, shell, store, folders, life, lib.table(), {}, nullptr, nullptr, {}, webPages, {}});
    bool finished = false, started = false;
    QObject::connect(window.get(), &MainWindow::startFinished, [&](bool ok) {
        finished = true;
        started = ok;
    });
    window->start();
    if (!waitFor([&] { return finished; }) || !started)
        return false;
    window->resize(963, 742);
    window->showCentred();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return false;
    window->repaint(); // first paint of the window with category 0
    return true;
}

bool BenchWindow::reload()
{
    bool shown = false;
    const auto c = QObject::connect(window.get(), &MainWindow::categoryShown, [&] { shown = true; });
    window->session().switchCategory(window->catalogue().current); // the same category, loaded again
    const bool ok = waitFor([&] { return shown; });
    QObject::disconnect(c);
    window->galleryPage()->repaint();
    return ok;
}

bool BenchWindow::switchTo(int category)
{
    bool shown = false;
    const auto c = QObject::connect(window.get(), &MainWindow::categoryShown, [&](int shownCategory) {
        shown = shownCategory == category;
    });
    QToolButton *button = window->galleryPage()->categoryBar()->buttons().at(category);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    const bool ok = waitFor([&] { return shown; });
    QObject::disconnect(c);
    return ok;
}

} // namespace kestrin::bench
