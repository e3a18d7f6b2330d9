#pragma once
// Shared test helpers: a real library on disk served on loopback, and scripted answers to dialogs.
#include "core/catalogue/gbk.h"
#include "core/server/http.h"
#include "core/server/server_table.h"
#include "gbk_paths.h"
#include "library_ops.h"
#include "library_server.h"
#include "platform/lifecycle.h"
#include "platform/notifications.h"
#include "platform/prompts.h"
#include "platform/shell.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <deque>
#include <memory>
#include <ostream>
#include <sys/resource.h>

// Readable failure messages for Qt texts.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray &b, std::ostream *os) { *os << '"' << QString::fromLatin1(b.toPercentEncoding(" |,\t")).toStdString() << '"'; }
QT_END_NAMESPACE

namespace kestrin::test {

inline QByteArray g(const char *utf8) { return gbk::encode(QString::fromUtf8(utf8)); }

// A temporary folder emptied by bytes on the way out: QTemporaryDir cannot remove the library's
// GBK-named pictures.
class ByteTempDir : public QTemporaryDir
{
public:
    ~ByteTempDir();
};

// A sample library in a temporary folder, served on 127.0.0.1 at an ephemeral port.
class ServedLibrary
{
public:
    explicit ServedLibrary(library::InitOptions options = {});
    QString root() const { return m_dir.path(); }
    library::LibraryServer &server() { return *m_server; }
    QString url() const { return m_server->url(0); }
    // Six base addresses: the first deadCount refuse connections, the rest reach this server.
    ServerTable table(int deadCount = 0) const;
    // Replaces the server's faults ("GLOB status=N ..."); none clears them.
    void setFaults(const QStringList &specs);

private:
    ByteTempDir m_dir;
    std::unique_ptr<library::LibraryServer> m_server;
};

// Records "<k>\tA<k>|图<k>|2026-12-01 10:00" for k = 0..count-1.
inline QList<QByteArray> makeRecords(int count)
{
    QList<QByteArray> out;
    for (int k = 0; k < count; ++k)
        out << QByteArray::number(k) + "\tA" + QByteArray::number(k) + "|" + g("图") + QByteArray::number(k) +
                   "|2026-12-01 10:00";
    return out;
}

// An address where nothing listens: requests there are refused at once.
inline QString deadUrl() { return QStringLiteral("http://127.0.0.1:1/"); }

// A file's bytes, or "<missing>" when it cannot be read.
inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A file named by raw bytes (the library's pictures carry GBK names on disk), or "<missing>".
inline QByteArray readBytes(const QByteArray &bytePath)
{
    QByteArray bytes;
    QString error;
    return library::readBytePath(bytePath, &bytes, &error) ? bytes : QByteArray("<missing>");
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Runs f while the file system refuses to let any file of this process grow past bytes, as a full disk
// would: a write past it fails (and raises no signal).
template <typename F>
auto withFileSizeLimit(rlim_t bytes, F f)
{
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
    const auto result = f();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return result;
}

class ScriptedPrompts : public Prompts
{
public:
    QStringList shown;        // every text, in order ("message: ", "confirm: ", "warn: " ... prefixes)
    std::deque<bool> answers; // confirm / warnYesNo answers, in order; No when exhausted
    QStringList folders;      // chooseFolder answers; cancel when exhausted
    QStringList folderStarts; // where each chooser opened
    std::deque<Answer> asks;  // ask() answers, in order; Yes when exhausted

    void message(const QString &text) override { shown << QStringLiteral("message: ") + text; }
    void titledMessage(const QString &title, const QString &text) override
    {
        shown << QStringLiteral("message [%1]: ").arg(title) + text;
    }
    bool confirm(const QString &text) override { shown << QStringLiteral("confirm: ") + text; return next(answers, false); }
    bool warnYesNo(const QString &text) override { shown << QStringLiteral("warn: ") + text; return next(answers, false); }
    void warning(const QString &text) override { shown << QStringLiteral("warning: ") + text; }
    Answer ask(const QString &text) override { shown << QStringLiteral("ask: ") + text; return next(asks, Answer::Yes); }
    QString chooseFolder(const QString &title, const QString &start) override
    {
        shown << QStringLiteral("folder: ") + title;
        folderStarts << start;
        return folders.isEmpty() ? QString() : folders.takeFirst();
    }

private:
    template <typename T>
    static T next(std::deque<T> &queue, T otherwise)
    {
        if (queue.empty())
            return otherwise;
        const T a = queue.front();
        queue.pop_front();
        return a;
    }
};

class RecordingShell : public Shell
{
public:
    QStringList opened;
    QStringList openedWith;
    bool canOpen = true;
    bool open(const QString &target) override { opened << target; return canOpen; }
    void openWith(const QString &path) override { openedWith << path; }
};

class CountingSound : public NotificationSound
{
public:
    int plays = 0;
    void play() override { ++plays; }
};

class RecordingNotifier : public DesktopNotifier
{
public:
    QStringList texts;
    void notify(const QString &title, const QString &text) override { texts << title + ": " + text; }
};

// Records the request instead of ending the test process.
class RecordingLifecycle : public Lifecycle
{
public:
    int requests = 0;
    int status = -1; // the exit status asked for

protected:
    void endApplication(int exitStatus) override
    {
        ++requests;
        status = exitStatus;
    }
};

// Waits on the event loop until pred holds or ms pass; true when it holds.
template <typename Pred>
bool waitUntil(Pred pred, int ms = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

// A GET waited for on the event loop (tests only: the program never waits for an answer).
inline HttpResult fetch(const HttpRequest &request)
{
    QObject context;
    HttpResult result;
    bool done = false;
    Http::get(request, &context, [&](const HttpResult &r) {
        result = r;
        done = true;
    });
    waitUntil([&] { return done; }, 60000);
    return result;
}

inline HttpResult fetch(const QString &url, int readTimeoutMs = HttpRequest::kDefaultReadTimeoutMs)
{
    HttpRequest request;
    request.url = url;
    request.readTimeoutMs = readTimeoutMs;
    return fetch(request);
}

} // namespace kestrin::test
