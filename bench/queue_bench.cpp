// One large picture through the download queue: the time it takes and how much the process's memory
// grows meanwhile (the picture streams to disk, it is not held). Compared by the calling script with
// curl fetching the same file in the same run.
//   kestrin-bench-queue --url BASE --folder FOLDER --file NAME --ext EXT
#include "core/catalogue/catalogue.h"
#include "core/download/download_queue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

using namespace kestrin;

namespace {

long statusKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto arg = [&](const char *name) {
        const qsizetype i = args.indexOf(QLatin1String(name));
        return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
    };
    Catalogue cat;
    cat.servers = {};
    for (int i = 0; i < 6; ++i)
        cat.servers.urls << arg("--url");
    cat.reset({{"c", arg("--folder").toLatin1(), arg("--ext").toLatin1()}});
    QTemporaryDir save;
    DownloadQueue queue(cat, [&] { return QueueSettings{save.path(), false, false}; });
    QueueEntry e;
    e.fileName = arg("--file").toLatin1();
    e.category = 0;
    e.folder = arg("--folder").toLatin1();
    e.extension = arg("--ext").toLatin1();

    QEventLoop loop;
    QObject::connect(&queue, &DownloadQueue::idle, &loop, &QEventLoop::quit);
    // A small picture first, so the network's own set-up is not counted as the download's memory.
    QueueEntry warmUp = e;
    warmUp.fileName = "config";
    warmUp.folder = "kq";
    warmUp.extension = ".xml";
    queue.enqueue(warmUp);
    loop.exec();
    const long rssBefore = statusKb("VmRSS:");
    // As the user meets it: from the picture put in the queue to the file in place.
    QElapsedTimer clock;
    clock.start();
    queue.enqueue(e);
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const QString saved = save.filePath(QString::fromLatin1(e.fileName + e.extension));
    const qint64 bytes = QFileInfo(saved).size();
    if (queue.model().rowCount() != 0 || bytes <= 0) {
        std::fprintf(stderr, "the download failed: %s\n",
                     queue.model().rowCount() ? qPrintable(queue.model().entries()[0].reason) : "no file");
        return 1;
    }
    std::printf("queue: %.1f MB in %.3f s (%.0f MB/s), peak memory growth %ld kB\n", double(bytes) / 1e6, seconds,
                double(bytes) / 1e6 / seconds, statusKb("VmHWM:") - rssBefore);
    return 0;
}
