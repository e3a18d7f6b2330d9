#pragma once
#include <QString>

namespace kestrin {

// The notification clip: played once per announced picture, in the background. Without an audio
// device it plays nothing.
class NotificationSound
{
public:
    virtual ~NotificationSound() = default;
    virtual void play() = 0;
};

// A message on the desktop for a user who is not looking at the window.
class DesktopNotifier
{
public:
    virtual ~DesktopNotifier() = default;
    virtual void notify(const QString &title, const QString &text) = 0;
};

} // namespace kestrin
