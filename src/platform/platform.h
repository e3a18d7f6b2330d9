#pragma once
#include "core/server/server_table.h"

#include <functional>

class QDialog;
class QWidget;

namespace kestrin {

class Prompts;
class Shell;
class SettingsStore;
class ShellFolders;
class Lifecycle;
class NotificationSound;
class DesktopNotifier;
class WebPage;

// What the windows need from outside: dialogs, the shell, the settings store, the standard folders,
// program termination and the server table. The program passes real ones; tests pass their own.
struct Platform
{
    Prompts &prompts;
    Shell &shell;
    SettingsStore &settings;
    ShellFolders &folders;
    Lifecycle &life;
    ServerTable servers = ServerTable::builtIn();
    // Shows a dialog that runs on its own (window-modal, not waited for). Empty: QDialog::open().
    std::function<void(QDialog &)> showDialog;
    NotificationSound *sound = nullptr;     // none: silent
    DesktopNotifier *notifier = nullptr;    // none: no desktop messages
    // The login's verification code, 1000 to 9998; empty: a random one.
    std::function<int()> drawCode;
    // Makes the web pages of the tabs and the counter; empty: plain messages instead of web views.
    std::function<WebPage *(QWidget *parent)> makeWebPage;
    // Gets what the pages need ready off the window's thread, then calls ready() (as long as context
    // lives); empty: the first page made gets it ready itself.
    std::function<void(QObject *context, std::function<void()> ready)> warmUpWebPages;
    // The pages are web views, which draw through OpenGL: the window must offer it from its creation.
    bool webViews = false;
};

} // namespace kestrin
