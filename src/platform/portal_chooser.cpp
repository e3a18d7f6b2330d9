#include "platform/portal_chooser.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QVariantMap>
#include <fcntl.h>
#include <unistd.h>

namespace kestrin {

PortalChooser::PortalChooser(Fallback fallback, BusSource bus) : m_fallback(std::move(fallback)), m_bus(std::move(bus))
{
}

void PortalChooser::openWith(const QString &path)
{
    const QDBusConnection bus = m_bus();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !bus.isConnected() || !(bus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing)) {
        if (fd >= 0)
            ::close(fd);
        m_fallback(path);
        return;
    }
    QDBusUnixFileDescriptor file;
    file.giveFileDescriptor(fd);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.OpenURI"), QStringLiteral("OpenFile"));
    call << QString() << QVariant::fromValue(file) << QVariantMap{{QStringLiteral("ask"), true}};
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerTimeoutMs), &m_calls);
    // The portal answers at once with a request handle; the chooser then runs on its own.
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &m_calls, [this, path](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (w->isError()) {
            qWarning("no portal chooser: %s", qPrintable(w->error().message()));
            m_fallback(path);
        }
    });
}

} // namespace kestrin
