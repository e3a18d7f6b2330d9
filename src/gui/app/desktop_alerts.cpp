#include "gui/app/desktop_alerts.h"

#include "gui/ui/artwork.h"

#include <QCoreApplication>
#include <QIcon>
#include <QLibrary>
#include <QSystemTrayIcon>
#include <utility>

namespace kestrin {

ChimeSound::ChimeSound() = default;

void ChimeSound::prepare()
{
    if (std::exchange(m_prepared, true))
        return;
    QLibrary module(QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/kestrin/libkestrin_chime.so"));
    using Make = QObject *(*)(const char *source);
    const auto make = reinterpret_cast<Make>(module.resolve("kestrinMakeChime"));
    if (!make) {
        qWarning("no chime: %s", qPrintable(module.errorString()));
        return;
    }
    m_effect.reset(make("qrc:/sounds/notify.wav"));
}

ChimeSound::~ChimeSound() = default;

void ChimeSound::play()
{
    prepare();
    if (m_effect)
        QMetaObject::invokeMethod(m_effect.get(), "play");
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
