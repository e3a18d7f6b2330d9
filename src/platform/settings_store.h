#pragma once
#include <QString>

namespace kestrin {

// The two values kept between runs ("LastSavepath", "LastUsername"), in the user's own store.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    virtual QString value(const QString &key) = 0;
    // false when the store could not be written.
    virtual bool setValue(const QString &key, const QString &value) = 0;
    virtual bool sync() = 0;
    // Where the values are kept, for telling the user when they could not be written.
    virtual QString location() const = 0;
};

// The user's standard folders by role: "Desktop", "Personal" (documents), "Cache", and "AppData" for
// the program's own files. Empty when unknown.
class ShellFolders
{
public:
    virtual ~ShellFolders() = default;
    virtual QString folder(const QString &name) = 0;
};

} // namespace kestrin
