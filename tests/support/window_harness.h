#pragma once
// The real main window against a real library server, with scripted dialogs, a recording shell, a
// settings file and standard folders of its own.
#include "gui/app/main_window.h"
#include "gui/app/web_page.h"
#include "session_harness.h"

#include <QMap>
#include <QPointer>
#include <functional>

namespace kestrin {
class DownloadDialog;
class LoginDialog;
}

namespace kestrin::test {

class WindowHarness : public TestSeams
{
public:
    explicit WindowHarness(library::InitOptions options = {});
    ~WindowHarness();

    ServedLibrary lib;
    Prompts *realPrompts = nullptr; // real message boxes instead of the scripted answers
    std::function<int()> drawCode = [] { return 4321; }; // the login's verification code
    WebPageFactory makeWebPage; // empty: plain pages, no web engine
    // Plays the user's part in a download dialog once it shows; without one it stays open.
    std::function<void(DownloadDialog &)> onDialog;
    QPointer<DownloadDialog> lastDialog;
    // The same for the login dialog of the personal zone.
    std::function<void(LoginDialog &)> onLogin;
    QPointer<LoginDialog> lastLogin;
    int dialogs = 0;
    std::unique_ptr<MainWindow> window;
    bool started = false;

    // Creates the window over the six addresses (the first deadCount refuse), runs start-up and, when
    // it succeeded, shows it.
    MainWindow &start(int deadCount = 0);
    MainWindow &start(const ServerTable &servers);
    // Rewrites a category's page: records "id\tfile|name|time" and latest entries.
    void writePage(int category, const QList<QByteArray> &records, const QList<QByteArray> &latest);
    void setFaults(const QStringList &specs);
    // Clicks category button i and waits until that category is on screen.
    void showCategory(int i);
    // Waits until the last download dialog has closed.
    bool waitDialogClosed(int ms = 10000);
    // Runs one poll of the current category to its end, and the reload it may start.
    void poll();
    // "立即刷新" with its 15 seconds over.
    void reload();
    // Waits until no category load is in flight.
    void settle();
};


// Saves a picture of the widget under build/screens for a person to look at.
void saveScreen(QWidget *widget, const QString &name);

} // namespace kestrin::test
