#include "platform/qt_settings_store.h"

#include "platform/data_folder.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace kestrin {

QtSettingsStore::QtSettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Kestrin", "Kestrin"))
{
}

QtSettingsStore::QtSettingsStore(const QString &iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
}

QString QtSettingsStore::value(const QString &key) { return m_settings->value(key).toString(); }

bool QtSettingsStore::setValue(const QString &key, const QString &value)
{
    if (!m_settings->isWritable())
        return false;
    m_settings->setValue(key, value);
    return true;
}

bool QtSettingsStore::sync()
{
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

QString QtSettingsStore::location() const { return m_settings->fileName(); }

QString StandardShellFolders::folder(const QString &name)
{
    if (name == QLatin1String("Desktop")) {
        // Many Linux homes have no desktop folder; saving into one that does not exist would fail.
        const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        return QFileInfo(desktop).isDir() ? desktop : QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    }
    if (name == QLatin1String("Personal"))
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // One "Kestrin" folder each, not Kestrin/Kestrin as the organisation and application names give.
    if (name == QLatin1String("Cache"))
        return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Kestrin");
    if (name == QLatin1String("AppData"))
        return dataFolder();
    return {};
}

} // namespace kestrin
