#include "bench_library.h"
#include "gui/gallery/category_bar.h"
#include "gui/gallery/gallery_page.h"
#include "library_files.h"
#include "library_ops.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <cstdio>
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
        // Published a while ago, as a library is when a user comes to it.
        for (const QString &name : {QStringLiteral("/kq/Page%1.dat"), QStringLiteral("/kq/Changer%1.dat")}) {
            QFile f(dir + name.arg(c));
            if (f.open(QIODevice::ReadWrite))
                f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
        }
    }
    return true;
}

BenchLibrary::BenchLibrary(const QList<int> &sizes)
{
    QString error;
    writeBenchLibrary(m_dir.path(), sizes, &error);
    QTcpServer probe; // a free port
    probe.listen(QHostAddress::LocalHost, 0);
    const QString port = QString::number(probe.serverPort());
    probe.close();
    m_url = QStringLiteral("http://127.0.0.1:%1/").arg(port);
    // nginx where it is installed, as users' libraries are served; otherwise the library tool.
    const QString nginx = QStandardPaths::findExecutable(QStringLiteral("nginx"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
    if (!nginx.isEmpty() && m_conf.isValid()) {
        // Its workers run as another user: the library must be readable to all.
        QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::ReadOther | QFile::ExeOther);
        const QString conf = m_conf.filePath(QStringLiteral("nginx.conf"));
        QFile f(conf);
        f.open(QIODevice::WriteOnly);
        const QString tmp = m_conf.path();
        f.write(QStringLiteral("worker_processes 1; daemon off; pid %1/nginx.pid; error_log %1/error.log;\n"
                               "events {}\nhttp { access_log off; client_body_temp_path %1; proxy_temp_path %1;\n"
                               "  fastcgi_temp_path %1; uwsgi_temp_path %1; scgi_temp_path %1;\n"
                               "  server { listen 127.0.0.1:%2; root %3; } }\n")
                    .arg(tmp, port, m_dir.path()).toUtf8());
        f.close();
        m_server.setProgram(nginx);
        m_server.setArguments({QStringLiteral("-c"), conf, QStringLiteral("-p"), tmp});
        m_serverName = QStringLiteral("nginx");
    } else {
        m_server.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/kestrin-library"));
        m_server.setArguments({QStringLiteral("serve"), m_dir.path(), QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                               QStringLiteral("--port"), port});
        m_serverName = QStringLiteral("kestrin-library serve");
    }
    m_server.setStandardOutputFile(QProcess::nullDevice());
    m_server.setStandardErrorFile(QProcess::nullDevice());
    m_server.start();
    if (!waitFor([this] { return fetch(m_url + QStringLiteral("kq/config.xml")).status == 200; }, 20000))
        std::fprintf(stderr, "the library server did not answer on %s\n", qPrintable(m_url));
}

BenchLibrary::~BenchLibrary()
{
    m_server.terminate(); // nginx ends its workers on TERM
    if (!m_server.waitForFinished(5000))
        m_server.kill();
    m_server.waitForFinished(5000);
}

ServerTable BenchLibrary::table() const
{
    ServerTable t;
    for (int i = 0; i < 6; ++i)
        t.urls << m_url;
    return t;
}

QString BenchLibrary::pageUrl(int category) const
{
    return m_url + QStringLiteral("/kq/Page%1.dat").arg(category);
}

bool BenchLibrary::publishChange(int category)
{
    QString error;
    return library::publishPicture(m_dir.path(), category, "A100000", "\xCD\xBC\xD6\xBD" "0", {}, &error);
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
    window = std::make_unique<MainWindow>(Platform{prompts, shell, store, folders, life, lib.table(), {}, nullptr, nullptr, {}, webPages, {}, webViews});
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
