#include "session/SettingsStore.h"
#include "platform/Logging.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

SettingsStore::SettingsStore() : SettingsStore(defaultFilePath()) {}

SettingsStore::SettingsStore(const QString &filePath) : m_filePath(filePath) {}

SettingsStore::~SettingsStore()
{
    endBatch();
}

QString SettingsStore::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Orvantis.ini");
}

QString SettingsStore::read(const QString &name) const
{
    if (m_batch)
        return m_batch->value(name).toString();
    if (!QFileInfo::exists(m_filePath))
        return {};
    QSettings settings(m_filePath, QSettings::IniFormat);
    return settings.value(name).toString();
}

QString SettingsStore::text(Setting setting) const
{
    const QString value = stored(setting);
    return value.isEmpty() ? settings::defaultText(setting) : value;
}

bool SettingsStore::isOn(Setting setting) const
{
    Q_ASSERT(settings::kind(setting) == SettingKind::Option);
    return text(setting) == QStringLiteral("1");
}

int SettingsStore::count(Setting setting) const
{
    Q_ASSERT(settings::kind(setting) == SettingKind::Count);
    bool isNumber = false;
    const int value = stored(setting).toInt(&isNumber);
    return settings::bounded(setting, isNumber ? value : settings::defaultText(setting).toInt());
}

double SettingsStore::seconds(Setting setting, QString *unreadable) const
{
    Q_ASSERT(settings::kind(setting) == SettingKind::Seconds);
    const QString text = stored(setting).trimmed();
    if (!text.isEmpty()) {
        if (const auto seconds = settings::readSeconds(setting, text))
            return *seconds;
        if (unreadable)
            *unreadable = text;
    }
    return settings::readSeconds(setting, settings::defaultText(setting)).value_or(0);
}

bool SettingsStore::write(Setting setting, const QString &text)
{
    Q_ASSERT(settings::kind(setting) == SettingKind::Text);
    return write(settings::key(setting), text);
}

bool SettingsStore::writeOn(Setting setting, bool on)
{
    Q_ASSERT(settings::kind(setting) == SettingKind::Option);
    return write(settings::key(setting), settings::optionText(on));
}

bool SettingsStore::writeCount(Setting setting, int count)
{
    Q_ASSERT(settings::kind(setting) == SettingKind::Count);
    return write(settings::key(setting), settings::countText(setting, count));
}

bool SettingsStore::writeSeconds(Setting setting, double seconds)
{
    Q_ASSERT(settings::kind(setting) == SettingKind::Seconds);
    return write(settings::key(setting), settings::secondsText(setting, seconds));
}

bool SettingsStore::write(const QString &name, const QString &value)
{
    if (m_batch) {
        if (!m_batch->isWritable()) {
            qCWarning(lcSession) << "settings file" << m_filePath << "cannot be written; value" << name << "not saved";
            return false;
        }
        if (m_batch->contains(name) && m_batch->value(name).toString() == value)
            return true;
        m_batch->setValue(name, value);
        m_batchNames << name;
        return true;
    }
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSettings settings(m_filePath, QSettings::IniFormat);
    if (!settings.isWritable()) {
        qCWarning(lcSession) << "settings file" << m_filePath << "cannot be written; value" << name << "not saved";
        return false;
    }
    // A value that is stored already is not written again (start-up stores all options).
    if (settings.contains(name) && settings.value(name).toString() == value)
        return true;
    settings.setValue(name, value);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    qCWarning(lcSession) << "settings file" << m_filePath << "could not be saved; value" << name << "not saved";
    return false;
}

void SettingsStore::beginBatch()
{
    if (m_batch)
        return;
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    m_batch = std::make_unique<QSettings>(m_filePath, QSettings::IniFormat);
}

QStringList SettingsStore::endBatch()
{
    if (!m_batch)
        return {};
    QStringList failed;
    if (!m_batchNames.isEmpty()) {
        m_batch->sync();
        if (m_batch->status() != QSettings::NoError) {
            failed = m_batchNames;
            qCWarning(lcSession) << "settings file" << m_filePath << "could not be saved; values" << failed << "not saved";
        }
    }
    m_batch.reset();
    m_batchNames.clear();
    return failed;
}

QString SettingsStore::failureMessage() const
{
    return QStringLiteral("Echec à la création de la clé %1").arg(m_filePath);
}
