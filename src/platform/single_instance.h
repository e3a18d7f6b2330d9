#pragma once
#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

namespace kestrin {

// One running copy per user. The first start holds a lock file in the user's runtime folder and listens
// on a local socket beside it; a later start finds the lock held, asks the running copy to come to the
// front and ends, having created, changed and deleted nothing.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Claim {
        Held,        // this copy runs: it holds the lock and answers later starts
        AnotherRuns, // a running copy holds the lock and was asked to show itself
        Unguarded,   // the lock could not be made (folder missing, not writable): run without it
    };

    // The lock is <folder>/<key>.lock and the socket <folder>/<key>.socket.
    explicit SingleInstance(const QString &key, const QString &folder = runtimeFolder(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // Asks the running copy to show itself when there is one, giving it up to waitMs to start listening.
    Claim claim(int waitMs = 1000);

    QString lockPath() const { return m_lock.fileName(); }
    QString serverName() const { return m_serverName; }

    // The per-user runtime folder; the user's cache folder where there is none.
    static QString runtimeFolder();

signals:
    // A later start asked this copy to come to the front.
    void activationRequested();

private:
    void listen();
    bool askToActivate(int waitMs) const;

    QLockFile m_lock;
    QString m_serverName;
    QLocalServer *m_server = nullptr;
};

} // namespace kestrin
