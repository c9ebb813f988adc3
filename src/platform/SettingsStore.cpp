#include "platform/SettingsStore.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace tarnwick {

namespace {

QString KeyPath(const std::string& section, const std::string& key)
{
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}

} // namespace

// An organisation name without an application name gives <config folder>/Tarnwick.ini.
IniSettingsStore::IniSettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tarnwick")))
{
    // Only the user's own file counts: a system-wide /etc/xdg/Tarnwick.ini must not fill absent keys.
    m_settings->setFallbacksEnabled(false);
}

IniSettingsStore::IniSettingsStore(const std::string& filePath)
    : m_settings(std::make_unique<QSettings>(QString::fromStdString(filePath), QSettings::IniFormat))
{
    m_settings->setFallbacksEnabled(false);
}

// QSettings writes the pending values when it goes.
IniSettingsStore::~IniSettingsStore() = default;

std::string IniSettingsStore::Get(
    const std::string& section, const std::string& key, const std::string& defaultValue) const
{
    const QVariant value = m_settings->value(KeyPath(section, key));
    if (!value.isValid())
        return defaultValue;
    // A hand-edited line with an unquoted comma ("txt, gif") reads back as a list; give the text back
    // as the user wrote it rather than losing it.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    return value.toString().toStdString();
}

void IniSettingsStore::Save(const std::string& section, const std::string& key, const std::string& value)
{
    m_settings->setValue(KeyPath(section, key), QString::fromStdString(value));
}

bool IniSettingsStore::Sync(std::string& error)
{
    if (Sync()) {
        error.clear();
        return true;
    }
    error = "Cannot write the settings file " + FileName();
    return false;
}

bool IniSettingsStore::Sync()
{
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

std::string IniSettingsStore::FileName() const
{
    return m_settings->fileName().toStdString();
}

} // namespace tarnwick
