#include "core/server/server_choice.h"

namespace kestrin {

QString ServerChoice::speedText(int library) const
{
    if (library < 0 || library >= kLibraries || m_speeds[library].isEmpty())
        return QStringLiteral("速度未知");
    return m_speeds[library];
}

void ServerChoice::setCarrier(int carrier)
{
    if (carrier < 0 || carrier >= kCarriers)
        return;
    if (carrier != m_carrier) {
        m_carrier = carrier;
        emit changed();
    }
    emit chosen(serverIndex());
}

void ServerChoice::setLibrary(int library)
{
    if (library < 0 || library >= kLibraries)
        return;
    if (library != m_library) {
        m_library = library;
        emit changed();
    }
    emit chosen(serverIndex());
}

void ServerChoice::setSpeedText(int library, const QString &text)
{
    if (library < 0 || library >= kLibraries)
        return;
    m_speeds[library] = text;
    emit speedChanged(library);
}

} // namespace kestrin
