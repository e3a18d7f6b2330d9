// The yardstick for start-up and memory: the least a Qt Widgets program does, one window with a label.
// Prints the milliseconds from its launch to its first frame, then, after a second of idling, its
// resident memory in kB, and quits.
#include "platform/launch_clock.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <cstdio>

namespace {

long residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// The first paint of the label; the line is printed once that frame has been handed to the display.
struct FirstFrame : QObject
{
    bool done = false;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && !done) {
            done = true;
            QTimer::singleShot(0, [] {
                std::printf("first frame %.1f ms\n", kestrin::msSinceLaunch());
                std::fflush(stdout);
                QTimer::singleShot(1000, [] {
                    std::printf("rss %ld kB\n", residentKb());
                    qApp->quit();
                });
            });
        }
        return false;
    }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Hello"));
    label.resize(963, 742);
    FirstFrame watch;
    label.installEventFilter(&watch);
    label.show();
    return app.exec();
}
