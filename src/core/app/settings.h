#pragma once
#include <QString>

namespace kestrin {

class SettingsStore;
class ShellFolders;

// The two values kept between runs.
struct StoredSettings
{
    QString savePath; // "LastSavepath"
    QString userName; // "LastUsername"
};

// The user's standard folder by role ("Desktop", "Personal", "Cache"); empty when unknown.
QString shellFolder(ShellFolders &folders, const QString &name);

// Read at start: an empty or vanished save folder falls back to the desktop folder.
StoredSettings readSettings(SettingsStore &store, ShellFolders &folders);

// Written at close, save folder first; false when the store could not be written.
bool writeSettings(SettingsStore &store, const StoredSettings &settings);

} // namespace kestrin
