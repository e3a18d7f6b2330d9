#pragma once
#include "server/server_table.h"

#include <functional>

class QDialog;

namespace kestrin {

class Prompts;
class Shell;
class SettingsStore;
class ShellFolders;
class Lifecycle;

// What the main window needs from outside: dialogs, the shell, the settings store, the standard folders,
// program termination and the server table. The program passes real ones; tests pass their own.
struct AppPlatform
{
    Prompts &prompts;
    Shell &shell;
    SettingsStore &settings;
    ShellFolders &folders;
    Lifecycle &life;
    ServerTable servers = ServerTable::builtIn();
    // Shows a dialog modally and returns its result; tests replace it to press the dialog's buttons.
    std::function<int(QDialog &)> runModal;
};

} // namespace kestrin
