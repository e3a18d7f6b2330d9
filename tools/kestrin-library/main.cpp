// kestrin-library: writes and serves a picture library.
#include "core/catalogue/gbk.h"
#include "core/server/build_config.h"
#include "library_ops.h"
#include "library_server.h"

#include <QCoreApplication>
#include <QDir>
#include <csignal>
#include <cstdio>

using namespace kestrin;
using namespace kestrin::library;

namespace {

// GNU-style, so that help2man makes the manual page's synopsis of it.
const char kUsage[] =
    "Usage: kestrin-library --help | --version\n"
    "  or:  kestrin-library init DIR [--categories N] [--pictures M] [--seed S]\n"
    "  or:  kestrin-library publish DIR CATEGORY FILE_NAME CHINESE_NAME [--time TEXT]\n"
    "  or:  kestrin-library withdraw DIR CATEGORY FILE_NAME\n"
    "  or:  kestrin-library new-batch DIR\n"
    "  or:  kestrin-library serve DIR [--host H]... [--port P] [--keep-alive SECONDS] [--allow-remote]"
    " [--fault 'GLOB ACTION...']...\n"
    "\n"
    "Fault actions: status=N delay=MS hang drop truncate=BYTES drip=MS host=H\n";

int fail(const QString &message)
{
    std::fprintf(stderr, "kestrin-library: %s\n", qPrintable(message));
    return 2;
}

int usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

bool intArg(const QString &text, int min, int *out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min)
        return false;
    *out = v;
    return true;
}

int serve(const QString &dir, QStringList args)
{
    QStringList hosts;
    int port = 16990;
    int keepAlive = 10; // longer than the clients' 5-second poll, so a poll reuses its connection
    bool allowRemote = false;
    std::vector<FaultRule> faults;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--host") && hasValue)
            hosts << args[++i];
        else if (a == QLatin1String("--port") && hasValue) {
            if (!intArg(args[++i], 0, &port) || port > 65535)
                return fail(QStringLiteral("bad port %1").arg(args[i]));
        } else if (a == QLatin1String("--keep-alive") && hasValue) {
            if (!intArg(args[++i], 1, &keepAlive))
                return fail(QStringLiteral("bad keep-alive %1").arg(args[i]));
        } else if (a == QLatin1String("--allow-remote"))
            allowRemote = true;
        else if (a == QLatin1String("--fault") && hasValue) {
            QString err;
            auto rule = FaultRule::parse(args[++i], &err);
            if (!rule)
                return fail(err);
            faults.push_back(*rule);
        } else
            return usage();
    }
    if (hosts.isEmpty())
        hosts << QStringLiteral("127.0.0.1");
    // Signals are taken by sigwait below, not by the server threads.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    LibraryServer server(dir);
    server.setEchoLog(true);
    server.setKeepAliveSeconds(keepAlive);
    server.setFaults(faults);
    QString err;
    if (!server.start(hosts, port, allowRemote, &err))
        return fail(err);
    for (int i = 0; i < hosts.size(); ++i)
        std::printf("serving %s at %s\n", qPrintable(QDir(dir).absolutePath()), qPrintable(server.url(i)));
    std::fflush(stdout);
    int sig = 0;
    sigwait(&set, &sig);
    server.stop();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        std::fputs("Writes, updates and serves a picture library for Kestrin. Any static web server (nginx, for\n"
                   "one) can serve a library instead; serve is for trying and testing.\n\n",
                   stdout);
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.size() == 1 && (args[0] == QLatin1String("--version") || args[0] == QLatin1String("-v"))) {
        std::printf("kestrin-library %s\n", KESTRIN_VERSION);
        return 0;
    }
    if (args.size() < 2)
        return usage();
    const QString command = args.takeFirst();
    const QString dir = args.takeFirst();
    QString err;
    if (command == QLatin1String("init")) {
        InitOptions o;
        for (qsizetype i = 0; i < args.size(); ++i) {
            const bool hasValue = i + 1 < args.size();
            int v = 0;
            if (args[i] == QLatin1String("--categories") && hasValue && intArg(args[++i], 1, &v))
                o.categories = v;
            else if (args[i] == QLatin1String("--pictures") && hasValue && intArg(args[++i], 0, &v))
                o.pictures = v;
            else if (args[i] == QLatin1String("--seed") && hasValue && intArg(args[++i], 0, &v))
                o.seed = quint32(v);
            else
                return usage();
        }
        if (!QDir().mkpath(dir))
            return fail(QStringLiteral("cannot create %1").arg(dir));
        return initLibrary(dir, o, &err) ? 0 : fail(err);
    }
    if (command == QLatin1String("publish") || command == QLatin1String("withdraw")) {
        const bool publish = command == QLatin1String("publish");
        if (args.size() < (publish ? 3 : 2))
            return usage();
        int category = 0;
        if (!intArg(args[0], 0, &category))
            return fail(QStringLiteral("bad category %1").arg(args[0]));
        const QByteArray file = gbk::encode(args[1]);
        if (!publish)
            return args.size() == 2 && withdrawPicture(dir, category, file, &err) ? 0 : (args.size() == 2 ? fail(err) : usage());
        QByteArray time;
        if (args.size() == 5 && args[3] == QLatin1String("--time"))
            time = gbk::encode(args[4]);
        else if (args.size() != 3)
            return usage();
        return publishPicture(dir, category, file, gbk::encode(args[2]), time, &err) ? 0 : fail(err);
    }
    if (command == QLatin1String("new-batch"))
        return args.isEmpty() && newBatch(dir, &err) ? 0 : (args.isEmpty() ? fail(err) : usage());
    if (command == QLatin1String("serve"))
        return serve(dir, args);
    return usage();
}
