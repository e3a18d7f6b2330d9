#pragma once
#include "platform/notifications.h"

#include <memory>

class QSoundEffect;
class QSystemTrayIcon;

namespace kestrin {

// The built-in chime, loaded once at start. Machines without an audio output get silence: no clip is
// loaded, nothing plays, nothing blocks.
class ChimeSound : public NotificationSound
{
public:
    ChimeSound();
    ~ChimeSound() override;
    void play() override;

private:
    std::unique_ptr<QSoundEffect> m_effect;
};

// A balloon from the system tray, where the desktop has one; elsewhere nothing.
class TrayNotifier : public DesktopNotifier
{
public:
    TrayNotifier();
    ~TrayNotifier() override;
    void notify(const QString &title, const QString &text) override;

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
};

} // namespace kestrin
