#include "platform/AppSettings.h"

namespace mervalon::platform {

AppSettings::AppSettings()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, kOrganization, kApplication)
{
}

bool AppSettings::exists() const { return !m_settings.allKeys().isEmpty(); }

bool AppSettings::contains(const QString& name) const { return m_settings.contains(name); }

bool AppSettings::readBool(const QString& name) const
{
    const QVariant value = m_settings.value(name);
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!value.isValid() || !ok) {
        throw SettingsError(QStringLiteral("Failed to get data for '%1'").arg(name).toStdString());
    }
    return number != 0;
}

QString AppSettings::readString(const QString& name) const { return m_settings.value(name).toString(); }

void AppSettings::writeBool(const QString& name, bool value)
{
    m_settings.setValue(name, value ? 1 : 0);
    flush(name);
}

void AppSettings::writeString(const QString& name, const QString& value)
{
    m_settings.setValue(name, value);
    flush(name);
}

void AppSettings::flush(const QString& name)
{
    m_settings.sync();
    if (m_settings.status() != QSettings::NoError) {
        throw SettingsError(QStringLiteral("Failed to set data for '%1'").arg(name).toStdString());
    }
}

} // namespace mervalon::platform
