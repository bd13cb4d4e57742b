#include "platform/Installation.h"

#include "core/config/InstallationSeed.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <filesystem>

namespace mervalon::platform {
namespace {

bool holdsInstallation(const QString& dir)
{
    return !dir.isEmpty() && config::isInstallation(std::filesystem::path(dir.toStdString()));
}

/// The help pages of a newer program reach an older installation: the missing ones are copied
/// at every start, and a page the user changed is kept. Help is not needed to work, so a
/// failure here is not reported; the help viewers show what is missing.
void completeHelpPages(const QString& installDir)
{
    const QString shipped = shippedDataDir();
    if (shipped.isEmpty()) {
        return;
    }
    for (const char* folder : {"activehelp", "help"}) {
        const std::filesystem::path source = std::filesystem::path(shipped.toStdString()) / folder;
        std::error_code ec;
        if (!std::filesystem::is_directory(source, ec)) {
            continue;
        }
        try {
            config::seedInstallation(source, std::filesystem::path(installDir.toStdString()) / folder);
        } catch (const std::filesystem::filesystem_error&) {
            // See above: left to the viewers.
        }
    }
}

} // namespace

QString defaultInstallDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Halvent/Mervalon40");
}

QString shippedDataDir()
{
    QStringList candidates;
    candidates << qEnvironmentVariable("MERVALON_DATA_DIR");
    if (QCoreApplication::instance() != nullptr) {
        candidates << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../" MERVALON_DATA_INSTALL_SUFFIX));
    }
    candidates << QStringLiteral(MERVALON_DATA_BUILD_DIR);
    for (const QString& candidate : candidates) {
        if (holdsInstallation(candidate)) {
            return QDir::cleanPath(candidate);
        }
    }
    return {};
}

void writeInitialSettings(AppSettings& settings, const QString& installDir)
{
    if (!settings.contains(keys::installPath) || !holdsInstallation(settings.read(keys::installPath))) {
        settings.write(keys::installPath, installDir);
    }
    for (const BoolKey& key : keys::allBooleans) {
        if (!settings.contains(key)) {
            settings.write(key, key.initial);
        }
    }
    const QString home = QDir::homePath();
    for (const TextKey& key : {keys::lastInputFolder, keys::lastDestination}) {
        if (!settings.contains(key)) {
            settings.write(key, home);
        }
    }
}

QString ensureInstallation(AppSettings& settings)
{
    const QString recorded = settings.read(keys::installPath);
    if (holdsInstallation(recorded)) {
        completeHelpPages(recorded);
        return recorded;
    }
    const QString shipped = shippedDataDir();
    if (shipped.isEmpty()) {
        throw InstallationError("The program's data files were not found, so no installation could be made. "
                                "Set MERVALON_DATA_DIR to the folder that holds dxf.dat.");
    }
    const QString target = recorded.isEmpty() ? defaultInstallDir() : recorded;
    try {
        config::seedInstallation(std::filesystem::path(shipped.toStdString()), std::filesystem::path(target.toStdString()));
    } catch (const std::filesystem::filesystem_error& error) {
        throw InstallationError(std::string("Cannot install into \"") + target.toStdString() + "\". " + error.what());
    }
    writeInitialSettings(settings, target);
    return target;
}

} // namespace mervalon::platform
