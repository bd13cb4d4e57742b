#include "platform/Installation.h"

#include "core/config/ExtensionList.h"
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

} // namespace

QString defaultInstallDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Halvent/Mervalon40");
}

QString shippedDataDir()
{
    QStringList candidates;
    candidates << qEnvironmentVariable("MERVALON_DATA_DIR");
    if (QCoreApplication::instance() != nullptr) {
        candidates << QDir(QCoreApplication::applicationDirPath())
                          .filePath(QStringLiteral("../" MERVALON_DATA_INSTALL_SUFFIX));
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

QStringList upgradeInstallation(const QString& installDir)
{
    QStringList messages;
    const QString shipped = shippedDataDir();
    if (shipped.isEmpty() || QDir(shipped) == QDir(installDir)) {
        return messages;
    }
    try {
        const std::filesystem::path shippedPath(shipped.toStdString());
        const std::filesystem::path installPath(installDir.toStdString());
        for (const auto& restored : config::repairInstallation(shippedPath, installPath)) {
            messages << QStringLiteral(
                            "\"%1\" was damaged (empty or cut short) and was restored from the program's data.")
                            .arg(QString::fromStdString(restored.string()));
        }
        config::refreshProgramDocuments(shippedPath, installPath);
        for (const std::string& line : config::offerFileTypes(installPath)) {
            messages << QStringLiteral("The file type \"%1\" (%2) was added to the list of file types.")
                            .arg(QString::fromStdString(config::displayName(line)),
                                 QString::fromStdString(config::extensionsText(line)));
        }
        const auto upgrade = config::upgradeInstallation(shippedPath, installPath);
        for (const auto& [kept, beside] : upgrade.keptBeside) {
            messages << QStringLiteral("\"%1\" was changed since it was installed, so it was kept; this version's file "
                                       "was put beside it as \"%2\".")
                            .arg(QString::fromStdString(kept.string()), QString::fromStdString(beside.string()));
        }
    } catch (const std::exception& error) {
        // An installation that cannot be brought up to date still works as it is.
        messages << QStringLiteral("The installation \"%1\" could not be brought up to date: %2")
                        .arg(installDir, QString::fromLocal8Bit(error.what()));
    }
    return messages;
}

QString ensureInstallation(AppSettings& settings, QStringList* notices)
{
    const QString recorded = settings.read(keys::installPath);
    if (holdsInstallation(recorded)) {
        const QStringList messages = upgradeInstallation(recorded);
        if (notices != nullptr) {
            *notices << messages;
        }
        return recorded;
    }
    const QString shipped = shippedDataDir();
    if (shipped.isEmpty()) {
        throw InstallationError("The program's data files were not found, so no installation could be made. "
                                "Set MERVALON_DATA_DIR to the folder that holds dxf.dat.");
    }
    const QString target = recorded.isEmpty() ? defaultInstallDir() : recorded;
    try {
        config::seedInstallation(std::filesystem::path(shipped.toStdString()),
                                 std::filesystem::path(target.toStdString()));
    } catch (const std::filesystem::filesystem_error& error) {
        throw InstallationError(std::string("Cannot install into \"") + target.toStdString() + "\". " + error.what());
    }
    writeInitialSettings(settings, target);
    return target;
}

} // namespace mervalon::platform
