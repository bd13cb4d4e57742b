#include "app/AppTestSupport.h"

#include "platform/AppSettings.h"
#include "platform/Installation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace mervalon::app::testing {

TestEnvironment::TestEnvironment()
{
    if (!m_dir.isValid()) {
        qFatal("cannot create a temporary folder");
    }
    const QByteArray root = m_dir.path().toLocal8Bit();
    qputenv("HOME", root + "/home");
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    QDir().mkpath(m_dir.path() + QStringLiteral("/home"));
    QDir().mkpath(m_dir.path() + QStringLiteral("/runtime"));
    QFile::setPermissions(m_dir.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QStandardPaths::setTestModeEnabled(true);
    if (!settingsFile().startsWith(m_dir.path() + '/')) {
        qFatal("the settings store would not be temporary: %s", qPrintable(settingsFile()));
    }
}

QString TestEnvironment::home() const
{
    return m_dir.path() + QStringLiteral("/home");
}

QString TestEnvironment::settingsFile()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Halvent"),
                     QStringLiteral("Mervalon40"))
        .fileName();
}

void TestEnvironment::reset() const
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Halvent"),
                       QStringLiteral("Mervalon40"));
    settings.clear();
    settings.sync();
    QDir(platform::defaultInstallDir()).removeRecursively();
    QDir homeDir(home());
    homeDir.removeRecursively();
    QDir().mkpath(home());
}

QString TestEnvironment::install()
{
    platform::AppSettings settings;
    return platform::ensureInstallation(settings);
}

QString storedValue(const QString& name)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Halvent"),
                       QStringLiteral("Mervalon40"));
    settings.sync();
    return settings.value(name).toString();
}

void storeValue(const QString& name, const QVariant& value)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Halvent"),
                       QStringLiteral("Mervalon40"));
    settings.setValue(name, value);
    settings.sync();
}

void removeValue(const QString& name)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Halvent"),
                       QStringLiteral("Mervalon40"));
    settings.remove(name);
    settings.sync();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

std::unique_ptr<Program> startProgram(FakeInteraction& interaction, Program::CommandsFactory commandsFactory)
{
    auto program = std::make_unique<Program>(interaction, std::move(commandsFactory));
    program->mainWindow().show();
    return program;
}

} // namespace mervalon::app::testing
