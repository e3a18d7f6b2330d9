#include "core/app/settings.h"

#include "platform/settings_store.h"

#include <QFileInfo>

namespace kestrin {

QString shellFolder(ShellFolders &folders, const QString &name)
{
    return folders.folder(name);
}

StoredSettings readSettings(SettingsStore &store, ShellFolders &folders)
{
    StoredSettings s;
    s.savePath = store.value(QStringLiteral("LastSavepath"));
    s.userName = store.value(QStringLiteral("LastUsername"));
    if (s.savePath.isEmpty())
        s.savePath = shellFolder(folders, QStringLiteral("Desktop"));
    if (!QFileInfo(s.savePath).isDir())
        s.savePath = shellFolder(folders, QStringLiteral("Desktop"));
    return s;
}

bool writeSettings(SettingsStore &store, const StoredSettings &settings)
{
    bool ok = store.setValue(QStringLiteral("LastSavepath"), settings.savePath);
    ok = store.setValue(QStringLiteral("LastUsername"), settings.userName) && ok;
    return store.sync() && ok;
}

} // namespace kestrin
