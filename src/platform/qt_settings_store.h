#pragma once
#include "platform/settings_store.h"

#include <QSettings>
#include <memory>

namespace kestrin {

// Per-user settings file; a machine-wide store would not be writable for ordinary users.
class QtSettingsStore : public SettingsStore
{
public:
    QtSettingsStore();                              // the user's own "Kestrin" settings
    explicit QtSettingsStore(const QString &iniPath); // a given file (tests, portable use)
    QString value(const QString &key) override;
    bool setValue(const QString &key, const QString &value) override;
    bool sync() override;
    QString location() const override;

private:
    std::unique_ptr<QSettings> m_settings;
};

class StandardShellFolders : public ShellFolders
{
public:
    QString folder(const QString &name) override;
};

} // namespace kestrin
