#pragma once
// A served library of large categories and the real main window over it, for the window benchmarks.
#include "gui/app/main_window.h"
#include "gui/app/web_page.h"
#include "platform/lifecycle.h"
#include "platform/prompts.h"
#include "platform/settings_store.h"
#include "platform/shell.h"
#include "core/server/http.h"

#include <QProcess>
#include <QTemporaryDir>
#include <memory>

namespace kestrin::bench {

struct QuietPrompts : Prompts
{
    void message(const QString &) override {}
    void titledMessage(const QString &, const QString &) override {}
    bool confirm(const QString &) override { return false; }
    bool warnYesNo(const QString &) override { return false; }
    Answer ask(const QString &) override { return Answer::Yes; }
    void warning(const QString &) override {}
    QString chooseFolder(const QString &, const QString &) override { return {}; }
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
    QString location() const override { return QStringLiteral("memory"); }
};
// Every standard folder in one empty temporary folder of the run's own.
struct TempFolders : ShellFolders
{
    QString folder(const QString &) override;
};

// Writes a library into dir whose category i holds sizes[i] pictures (and 50 latest entries).
bool writeBenchLibrary(const QString &dir, const QList<int> &sizes, QString *error);

// That library, served on 127.0.0.1 in a process of its own (nginx where installed, else the library
// tool), so the memory and the time measured are the client's alone.
class BenchLibrary
{
public:
    explicit BenchLibrary(const QList<int> &sizes);
    ~BenchLibrary();
    ServerTable table() const;
    QString pageUrl(int category) const;
    // What serves it: nginx where installed, else the library tool.
    QString serverName() const { return m_serverName; }
    // A picture of category c published again, as the library tool does: new page, serial one on.
    bool publishChange(int category);

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_conf;
    QProcess m_server;
    QString m_url;
    QString m_serverName;
};

struct BenchWindow
{
    explicit BenchWindow(BenchLibrary &lib) : lib(lib) {}
    BenchLibrary &lib;
    QuietPrompts prompts;
    NoShell shell;
    MemoryStore store;
    TempFolders folders;
    Lifecycle life;
    WebPageFactory webPages; // empty: plain pages
    bool webViews = false;   // the pages are web views
    std::unique_ptr<MainWindow> window;

    // Start-up to category 0 painted in a shown window.
    bool start();
    bool reload();
    // Clicks category i's button and waits until its answer is on screen.
    bool switchTo(int category);
};

// A GET waited for on the event loop.
HttpResult fetch(const QString &url);
// Waits on the event loop until done() holds; false after ms.
bool waitFor(const std::function<bool()> &done, int ms = 60000);

} // namespace kestrin::bench
