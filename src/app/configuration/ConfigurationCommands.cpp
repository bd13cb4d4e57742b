#include "app/configuration/ConfigurationCommands.h"

#include "app/configuration/ConfigurationView.h"
#include "app/shell/Interaction.h"
#include "core/config/InstallationLayout.h"
#include "core/io/ReplaceFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace mervalon::app {
namespace {

/// File names are held as the file system spells them.
QString fromFileName(const std::string& name)
{
    return QFile::decodeName(QByteArray::fromStdString(name));
}

std::filesystem::path toFilePath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace

QString configurationSavePath(const QString& chosenPath)
{
    const QFileInfo chosen(chosenPath);
    if (chosen.fileName().contains(QLatin1String(config::layout::kConfigurationSuffix), Qt::CaseSensitive)) {
        return chosenPath;
    }
    return chosenPath + QLatin1String(config::layout::kConfigurationSuffix);
}

ConfigurationCommands::ConfigurationCommands(Interaction& interaction, QString installDir)
    : m_interaction(interaction), m_installDir(std::move(installDir))
{
}

QString ConfigurationCommands::configurationsFolder() const
{
    return QDir(m_installDir).filePath(QLatin1String(config::layout::kConfigurationsFolder));
}

void ConfigurationCommands::reportError(const QString& text)
{
    m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, text);
}

// A file that is no configuration at all is said so in plain words; any other failure to read
// one is shown with the system's reason.
void ConfigurationCommands::reportReadFailure(const std::exception& error)
{
    reportError(dynamic_cast<const config::NotAConfiguration*>(&error) != nullptr
                    ? QStringLiteral("This is not a Mervalon 4.0 configuration file. ")
                    : QString::fromLocal8Bit(error.what()));
}

bool ConfigurationCommands::readStartConfiguration()
{
    try {
        config::ConfigurationInUse inUse = config::readConfigurationInUse(toFilePath(m_installDir));
        if (inUse.fellBack) {
            m_interaction.showMessage(
                MessageIcon::Information, MessageButtons::Ok,
                QStringLiteral("Mervalon cannot find \"") + fromFileName(inUse.recordedName) +
                    QStringLiteral("\" configuration file, \"!Default.rp4\" will be used instead. "));
        }
        // Faulty options are told and the configuration is used without them: the program starts.
        if (!inUse.optionsFault.empty()) {
            m_interaction.showMessage(
                MessageIcon::Warning, MessageButtons::Ok,
                QString::fromStdString(inUse.optionsFault) +
                    QStringLiteral("\n\nThe configuration is used without its options (no code library)."));
        }
        m_currentName = fromFileName(inUse.name);
        m_live = std::move(inUse.record);
        m_reference = m_live;
    } catch (const std::exception& error) {
        reportReadFailure(error);
        return false;
    }
    return true;
}

void ConfigurationCommands::applyConfiguration(ConfigurationView& view)
{
    const QString formatName =
        QString::fromLatin1(m_live.formatName.data(), static_cast<qsizetype>(m_live.formatName.size()));
    if (!view.hasFormat(formatName)) {
        m_interaction.showMessage(MessageIcon::Information, MessageButtons::Ok,
                                  QStringLiteral("Format named \"") + formatName +
                                      QStringLiteral("\" no longer exists. !Default format will be used instead"));
    }
    if (m_live.fileTypeIndex > view.fileTypeCount() - 1 || m_live.fileTypeIndex < 0) {
        m_interaction.showMessage(
            MessageIcon::Information, MessageButtons::Ok,
            QStringLiteral("File extension does not exist in the extension list, default will be used."));
        m_live.fileTypeIndex = 0;
    }
    view.showConfigurationName(m_currentName);
    view.showConfiguration(m_live);
    m_applied = true;
}

config::Configuration ConfigurationCommands::captureConfiguration(const ConfigurationView& view) const
{
    config::Configuration captured = m_live;
    captured.reserved = 0;
    view.captureConfiguration(captured);
    return captured;
}

bool ConfigurationCommands::hasChanged(const ConfigurationView& view) const
{
    return !config::configurationsEqual(captureConfiguration(view), m_reference);
}

bool ConfigurationCommands::confirmConfigurationChanges(ConfigurationView& view)
{
    // After a failed start the window holds no configuration: there is nothing to save.
    if (!m_applied || !hasChanged(view)) {
        return true;
    }
    switch (m_interaction.showMessage(MessageIcon::Information, MessageButtons::YesNoCancel,
                                      QStringLiteral("Current configuration has changed, do you want to save it ?"))) {
    case MessageAnswer::Yes:
        // Only a saved configuration lets the operation go on: a refused layout or a failed
        // write would otherwise throw the user's changes away.
        return saveConfigurationFile(view) == SaveOutcome::Saved;
    case MessageAnswer::No:
        return true;
    case MessageAnswer::Cancel:
    case MessageAnswer::Ok:
        break;
    }
    return false;
}

bool ConfigurationCommands::writeConfigurationInUse(const QString& fileName)
{
    try {
        io::replaceFile(config::layout::configurationInUsePath(toFilePath(m_installDir)),
                        QFile::encodeName(fileName).toStdString());
    } catch (const std::exception& error) {
        reportError(QString::fromLocal8Bit(error.what()));
        return false;
    }
    return true;
}

bool ConfigurationCommands::loadConfigurationFile(ConfigurationView& view)
{
    if (!confirmConfigurationChanges(view)) {
        return false;
    }
    const QString path =
        m_interaction.chooseOpenFile(QStringLiteral("Load a configuration file"), configurationsFolder(), m_currentName,
                                     QLatin1String(kConfigurationFilter));
    if (path.isEmpty()) {
        return false;
    }
    return loadConfigurationFrom(view, path);
}

bool ConfigurationCommands::loadConfigurationFrom(ConfigurationView& view, const QString& path)
{
    config::Configuration record;
    try {
        record = config::readConfigurationWithOptions(toFilePath(path));
    } catch (const std::exception& error) {
        reportReadFailure(error);
        return false;
    }
    const QString fileName = QFileInfo(path).fileName();
    if (!writeConfigurationInUse(fileName)) {
        return false;
    }
    m_live = record;
    m_reference = record;
    m_currentName = fileName;
    applyConfiguration(view);
    return true;
}

SaveOutcome ConfigurationCommands::saveConfigurationFile(ConfigurationView& view)
{
    if (!view.checkEntitiesCreation()) {
        return SaveOutcome::CheckFailed;
    }
    const config::Configuration record = captureConfiguration(view);
    m_live = record;
    const QString chosen =
        m_interaction.chooseSaveFile(QStringLiteral("Save current configuration."), configurationsFolder(),
                                     m_currentName, QLatin1String(kConfigurationFilter));
    if (chosen.isEmpty()) {
        return SaveOutcome::DialogCancelled;
    }
    // The dialog asked about the name as typed; a name that gets the suffix is another file,
    // which must not be replaced without asking either.
    const QString path = configurationSavePath(chosen);
    if (path != chosen && QFileInfo::exists(path) &&
        m_interaction.showMessage(MessageIcon::Confirmation, MessageButtons::YesNo,
                                  QStringLiteral("\"") + QFileInfo(path).fileName() +
                                      QStringLiteral("\" already exists. Do you want to replace it?")) !=
            MessageAnswer::Yes) {
        return SaveOutcome::DialogCancelled;
    }
    try {
        config::writeConfigurationWithOptions(toFilePath(path), record);
    } catch (const std::exception& error) {
        reportError(QString::fromLocal8Bit(error.what()));
        return SaveOutcome::WriteFailed;
    }
    // The record is on disk from here on: it is the reference even when it cannot be recorded
    // as the one in use (that failure is shown, and the next start opens the previous one).
    const QString fileName = QFileInfo(path).fileName();
    writeConfigurationInUse(fileName);
    m_currentName = fileName;
    view.showConfigurationName(fileName);
    m_reference = record;
    return SaveOutcome::Saved;
}

} // namespace mervalon::app
