#include "platform/single_instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace kestrin {

SingleInstance::SingleInstance(const QString &key, const QString &folder, QObject *parent)
    : QObject(parent), m_lock(folder + u'/' + key + QStringLiteral(".lock")),
      m_serverName(folder + u'/' + key + QStringLiteral(".socket"))
{
    // Stale only when its process is gone: a copy that has run for hours still holds it, and an old
    // lock would otherwise send every later start through removing it (creating a ".rmlock" beside it).
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    // The socket goes before the lock, so a copy starting now cannot lose its new socket to our close.
    delete m_server;
    m_server = nullptr;
    m_lock.unlock();
}

QString SingleInstance::runtimeFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        if (!folder.isEmpty())
            QDir().mkpath(folder);
    }
    return folder.isEmpty() ? QDir::homePath() : folder;
}

SingleInstance::Claim SingleInstance::claim(int waitMs)
{
    if (m_lock.isLocked())
        return Claim::Held;
    // A lock whose process is gone (a crash, SIGKILL) is taken over here.
    if (m_lock.tryLock(0)) {
        listen();
        return Claim::Held;
    }
    if (m_lock.error() != QLockFile::LockFailedError) {
        qWarning("Kestrin: cannot make the lock %s; not guarding against a second copy",
                 qUtf8Printable(QDir::toNativeSeparators(m_lock.fileName())));
        return Claim::Unguarded;
    }
    if (!askToActivate(waitMs))
        qWarning("Kestrin is already running but did not answer; not starting a second copy");
    return Claim::AnotherRuns;
}

void SingleInstance::listen()
{
    // A socket left beside the lock belongs to a copy that died; holding the lock makes it ours to clear.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        // A connection is the whole request: there is nothing to read.
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            socket->disconnectFromServer();
            socket->deleteLater();
            emit activationRequested();
        }
    });
    if (!m_server->listen(m_serverName))
        qWarning("Kestrin: a second start cannot bring this window to the front: %s",
                 qUtf8Printable(m_server->errorString()));
}

bool SingleInstance::askToActivate(int waitMs) const
{
    // The running copy may hold the lock and not listen yet, just started; ask again until waitMs is up.
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(int(qMax<qint64>(deadline.remainingTime(), 0)))) {
            socket.disconnectFromServer();
            return true;
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(quint64(qMin<qint64>(50, deadline.remainingTime())));
    }
}

} // namespace kestrin
