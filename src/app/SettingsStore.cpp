#include "app/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

SettingsStore::SettingsStore() : SettingsStore(defaultFilePath()) {}

SettingsStore::SettingsStore(const QString &filePath) : m_filePath(filePath) {}

QString SettingsStore::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Orvantis.ini");
}

QString SettingsStore::read(const QString &name) const
{
    if (!QFileInfo::exists(m_filePath))
        return {};
    QSettings settings(m_filePath, QSettings::IniFormat);
    return settings.value(name).toString();
}

bool SettingsStore::write(const QString &name, const QString &value)
{
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSettings settings(m_filePath, QSettings::IniFormat);
    if (!settings.isWritable())
        return false;
    // A value that is stored already is not written again (start-up stores all options).
    if (settings.contains(name) && settings.value(name).toString() == value)
        return true;
    settings.setValue(name, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString SettingsStore::failureMessage() const
{
    return QStringLiteral("Echec à la création de la clé %1").arg(m_filePath);
}
