#include "platform/AppSettings.h"

namespace mervalon::platform {
namespace {

QString nameOf(std::string_view name)
{
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

std::unique_ptr<QSettings> openStore()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QLatin1String(AppSettings::kOrganization),
                                       QLatin1String(AppSettings::kApplication));
}

} // namespace

AppSettings::AppSettings() : m_settings(openStore()) {}

AppSettings::~AppSettings() = default;

bool AppSettings::exists() const
{
    return !m_settings->allKeys().isEmpty();
}

bool AppSettings::contains(BoolKey key) const
{
    return m_settings->contains(nameOf(key.name));
}

bool AppSettings::contains(TextKey key) const
{
    return m_settings->contains(nameOf(key.name));
}

bool AppSettings::read(BoolKey key) const
{
    const QVariant value = m_settings->value(nameOf(key.name));
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!value.isValid() || !ok) {
        throw SettingsError(QStringLiteral("Failed to get data for '%1'").arg(nameOf(key.name)).toStdString());
    }
    return number != 0;
}

QString AppSettings::read(TextKey key) const
{
    return m_settings->value(nameOf(key.name)).toString();
}

void AppSettings::write(BoolKey key, bool value)
{
    store(key.name, value ? 1 : 0);
}

void AppSettings::write(TextKey key, const QString& value)
{
    store(key.name, value);
}

void AppSettings::store(std::string_view name, const QVariant& value)
{
    if (m_failed) {
        // QSettings keeps its first error for good: after a failure a fresh object judges the
        // next write on its own.
        m_settings = openStore();
        m_failed = false;
    }
    const QString key = nameOf(name);
    const QVariant previous = m_settings->value(key);
    m_settings->setValue(key, value);
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError) {
        // The unsaved value would otherwise stay pending and reach the disk with a later write,
        // long after the user was told it failed.
        if (previous.isValid()) {
            m_settings->setValue(key, previous);
        } else {
            m_settings->remove(key);
        }
        m_failed = true;
        throw SettingsError(QStringLiteral("Failed to set data for '%1'").arg(key).toStdString());
    }
}

} // namespace mervalon::platform
