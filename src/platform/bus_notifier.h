#pragma once
#include "platform/notifications.h"
#include "platform/session_bus.h"

#include <QObject>

namespace kestrin {

// Desktop messages through the desktop's notification service (org.freedesktop.Notifications). The
// call is never waited for; when no service takes it (none on the bus, an error, no answer in time)
// the fallback shows the message instead. A newer message replaces the one before, as the tray's
// balloon does, so a user who was away finds one notice, not a pile.
class BusNotifier : public DesktopNotifier
{
public:
    // A service that has not answered by then is taken for none.
    static constexpr int kAnswerTimeoutMs = 10000;
    // As long as the tray's balloon stays.
    static constexpr int kShownMs = 8000;

    explicit BusNotifier(DesktopNotifier *fallback, BusSource bus = sessionBus);
    void notify(const QString &title, const QString &text) override;

private:
    DesktopNotifier *m_fallback;
    BusSource m_bus;
    uint m_lastId = 0; // the service's number for the last notice, replaced by the next one
    QObject m_calls;   // parent of the calls still waiting: none answers after this is gone
};

} // namespace kestrin
