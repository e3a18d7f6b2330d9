#pragma once
#include "platform/session_bus.h"

#include <QObject>
#include <QString>
#include <functional>

namespace kestrin {

// The desktop's own chooser of a program for a file, through the desktop portal (OpenURI.OpenFile
// with "ask"): the file goes to the portal as a descriptor opened for reading, so a sandboxed or
// foreign opener gets exactly this file. Where no portal takes the call (none on the bus, an error,
// a bus without descriptor passing), the fallback chooses instead. Nothing waits for the portal.
class PortalChooser
{
public:
    using Fallback = std::function<void(const QString &path)>;
    static constexpr int kAnswerTimeoutMs = 10000;

    explicit PortalChooser(Fallback fallback, BusSource bus = sessionBus);
    void openWith(const QString &path);

private:
    Fallback m_fallback;
    BusSource m_bus;
    QObject m_calls; // parent of the calls still waiting: none answers after this is gone
};

} // namespace kestrin
