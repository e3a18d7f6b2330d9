#include "platform/bus_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace kestrin {

BusNotifier::BusNotifier(DesktopNotifier *fallback, BusSource bus) : m_fallback(fallback), m_bus(std::move(bus)) {}

void BusNotifier::notify(const QString &title, const QString &text)
{
    const QDBusConnection bus = m_bus();
    if (!bus.isConnected()) {
        if (m_fallback)
            m_fallback->notify(title, text);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                       QStringLiteral("/org/freedesktop/Notifications"),
                                       QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Services may read the body as markup: a picture's name is shown as it is.
    call << QStringLiteral("图库") << m_lastId << QStringLiteral("kestrin") << title << text.toHtmlEscaped()
         << QStringList() << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("kestrin")}} << kShownMs;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerTimeoutMs), &m_calls);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &m_calls, [this, title, text](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isValid())
            m_lastId = reply.value();
        else if (m_fallback)
            m_fallback->notify(title, text);
    });
}

} // namespace kestrin
