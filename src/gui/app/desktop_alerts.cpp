#include "gui/app/desktop_alerts.h"

#include "gui/ui/artwork.h"

#include <QAudioDevice>
#include <QIcon>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QSystemTrayIcon>
#include <utility>

namespace kestrin {

ChimeSound::ChimeSound() = default;

void ChimeSound::prepare()
{
    if (std::exchange(m_prepared, true) || QMediaDevices::audioOutputs().isEmpty())
        return;
    m_effect = std::make_unique<QSoundEffect>();
    m_effect->setSource(QUrl(QStringLiteral("qrc:/sounds/notify.wav")));
}

ChimeSound::~ChimeSound() = default;

void ChimeSound::play()
{
    prepare();
    if (m_effect)
        m_effect->play();
}

TrayNotifier::TrayNotifier() = default;

void TrayNotifier::prepare()
{
    if (std::exchange(m_prepared, true) || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_icon = std::make_unique<QSystemTrayIcon>(QIcon(carrierPicture(0).copy(8, 8, 32, 32)));
    m_icon->setToolTip(QStringLiteral("图库"));
    m_icon->show();
}

TrayNotifier::~TrayNotifier() = default;

void TrayNotifier::notify(const QString &title, const QString &text)
{
    prepare();
    if (m_icon)
        m_icon->showMessage(title, text, QSystemTrayIcon::Information, 8000);
}

} // namespace kestrin
