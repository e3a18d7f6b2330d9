#pragma once
#include "platform/notifications.h"

#include <memory>

class QObject;
class QSystemTrayIcon;

namespace kestrin {

// The built-in chime, loaded once by prepare() (or the first play) from the chime module
// (libkestrin_chime.so in lib/kestrin/ beside the program's folder). Each chime goes to the desktop's
// default output of that moment; while there is none, or without the module, there is silence:
// nothing plays, nothing blocks.
class ChimeSound : public NotificationSound
{
public:
    ChimeSound();
    ~ChimeSound() override;
    // Asks for the audio outputs and loads the clip: a while on some machines, so not before the
    // program has sent its first requests.
    void prepare();
    void play() override;

private:
    bool m_prepared = false;
    std::unique_ptr<QObject> m_effect; // the module's player: a QObject with a play() slot
};

// A balloon from the system tray, where the desktop has one; elsewhere nothing. The fallback of the
// desktop's notification service (platform/bus_notifier.h).
class TrayNotifier : public DesktopNotifier
{
public:
    TrayNotifier();
    ~TrayNotifier() override;
    // Puts the icon in the tray (once; the first balloon does it otherwise).
    void prepare();
    void notify(const QString &title, const QString &text) override;

private:
    bool m_prepared = false;
    std::unique_ptr<QSystemTrayIcon> m_icon;
};

} // namespace kestrin
