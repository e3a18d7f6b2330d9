#pragma once
// The library session without a window, against a real library server: what the window observes,
// driven as the window would drive it.
#include "core/app/library_session.h"
#include "platform/qt_settings_store.h"
#include "test_support.h"

#include <QMap>
#include <memory>

namespace kestrin::test {

class FolderMap : public ShellFolders
{
public:
    QMap<QString, QString> folders;
    QString folder(const QString &name) override { return folders.value(name); }
};

// What a run of the program needs from outside: a home of its own (desktop, documents, data folder,
// settings file), scripted dialogs, a shell that records what it opens, a chime that counts.
struct TestSeams
{
    TestSeams();
    QTemporaryDir home;
    ScriptedPrompts prompts;
    RecordingShell shell;
    FolderMap folders;
    RecordingLifecycle life;
    CountingSound sound;
    RecordingNotifier notifier;
    std::unique_ptr<SettingsStore> settings;

    QString settingsFile() const { return home.filePath(QStringLiteral("settings.ini")); }
    QString desktop() const { return home.filePath(QStringLiteral("Desktop")); }
    QString documents() const { return home.filePath(QStringLiteral("Documents")); }
    QString appData() const { return home.filePath(QStringLiteral("appdata")); }
    Platform platform(const ServerTable &servers, Prompts *otherPrompts = nullptr);
};

class SessionHarness : public TestSeams
{
public:
    explicit SessionHarness(library::InitOptions options = {});
    ~SessionHarness();

    ServedLibrary lib;
    std::unique_ptr<LibrarySession> session;
    QStringList announced; // every name announced, in order

    // Starts a session over the library (the first deadCount servers refuse); throws unless it started.
    LibrarySession &start(int deadCount = 0);
    // One poll of the current category to its end, and the load it may start.
    void poll();
    // Waits until no category load is in flight.
    void settle();
    void setFaults(const QStringList &specs);
    void publish(int category, const QByteArray &fileName, const QByteArray &chineseName = {});
    QString savedPath(int category, const QByteArray &fileName) const;
    QByteArray servedPicture(int category, const QByteArray &fileName) const;
};

} // namespace kestrin::test
