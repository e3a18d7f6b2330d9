// A child the fault tests end with SIGKILL at random moments: it writes one of the program's own files
// over and over (or downloads a picture through the queue) with the program's own code.
//   killed_writer ini PATH            saves a growing selection of user "u" for ever
//   killed_writer queue PATH          queues entry after entry, the list kept in PATH, for ever
//   killed_writer download PATH URL FOLDER FILE EXT SAVEDIR
//                                     the queue kept in PATH, with FILE queued when it is empty; ends
//                                     when the queue is done (exit 0) or an entry failed (exit 1)
#include "core/catalogue/catalogue.h"
#include "core/download/download_queue.h"
#include "core/personal/selection_store.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

using namespace kestrin;

namespace {

// Generation k: 400 names, each naming k, so a file that mixes two generations is seen at once.
QList<QByteArray> selectionOf(int k)
{
    QList<QByteArray> names;
    for (int i = 0; i < 400; ++i)
        names << "G" + QByteArray::number(k) + "N" + QByteArray::number(i);
    return names;
}

int writeIni(const QString &path)
{
    Catalogue cat;
    cat.reset(QList<CategoryEntry>(2));
    SelectionStore store(path);
    for (int k = 1;; ++k) {
        cat.categories[0].selection = selectionOf(k);
        QString error;
        if (!store.saveSelection("u", cat, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 2;
        }
    }
}

int writeQueue(QCoreApplication &app, const QString &path)
{
    Catalogue cat;
    // Nowhere to save to: every entry fails at once and stays listed, so the list keeps changing.
    DownloadQueue queue(cat, [] { return QueueSettings{QStringLiteral("/nonexistent/kestrin"), false, false}; });
    queue.restoreFrom(path);
    // Numbered on from the list of the last run, so a list of any one moment holds a run of numbers.
    const QList<QueueEntry> &restored = queue.model().entries();
    int next = restored.isEmpty() ? 0 : restored.last().fileName.mid(1).toInt() + 1;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QueueEntry e;
        e.fileName = "E" + QByteArray::number(next++);
        e.folder = "kq/pic0";
        e.extension = ".jpg";
        queue.enqueue(e);
        while (queue.model().rowCount() > 300)
            queue.remove(0);
    });
    timer.start(0);
    return app.exec();
}

int download(QCoreApplication &app, const QStringList &args)
{
    Catalogue cat;
    cat.servers.urls = QStringList{args[3]};
    const QString saveDir = args[7];
    DownloadQueue queue(cat, [saveDir] { return QueueSettings{saveDir, false, false}; });
    queue.setRetryPause(20);
    QObject::connect(&queue, &DownloadQueue::idle, &app, [&] {
        const bool failed = queue.model().rowCount() > 0;
        QTimer::singleShot(100, &app, [&app, failed] { app.exit(failed ? 1 : 0); }); // the list written first
    });
    queue.restoreFrom(args[2]);
    if (queue.model().rowCount() == 0) {
        QueueEntry e;
        e.folder = args[4].toLatin1();
        e.fileName = args[5].toLatin1();
        e.extension = args[6].toLatin1();
        e.category = 0;
        queue.enqueue(e);
    }
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("ini"))
        return writeIni(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("queue"))
        return writeQueue(app, args[2]);
    if (args.size() == 8 && args[1] == QLatin1String("download"))
        return download(app, args);
    std::fprintf(stderr, "usage: killed_writer ini PATH | queue PATH | download PATH URL FOLDER FILE EXT SAVEDIR\n");
    return 2;
}
