#include "app/configuration/ConfigurationCommands.h"

#include "app/configuration/ConfigurationView.h"
#include "app/shell/Interaction.h"
#include "core/config/InstallationLayout.h"

namespace mervalon::app {
namespace {

QString fromText(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

ConfigurationCommands::ConfigurationCommands(Interaction& interaction, QString installDir)
    : m_interaction(interaction), m_installDir(std::move(installDir))
{
}

bool ConfigurationCommands::readStartConfiguration()
{
    try {
        config::ConfigurationInUse inUse = config::readConfigurationInUse(m_installDir.toStdString());
        if (inUse.fellBack) {
            m_interaction.showMessage(MessageIcon::Information, MessageButtons::Ok,
                                      QStringLiteral("Mervalon cannot find \"") + fromText(inUse.recordedName) +
                                          QStringLiteral("\" configuration file, \"!Default.rp4\" will be used instead. "));
        }
        m_currentName = fromText(inUse.name);
        m_live = std::move(inUse.record);
        m_reference = m_live;
    } catch (const config::NotAConfiguration&) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok,
                                  QStringLiteral("This is not a Mervalon 4.0 configuration file. "));
        return false;
    } catch (const std::exception& error) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, QString::fromLocal8Bit(error.what()));
        return false;
    }
    return true;
}

void ConfigurationCommands::applyConfiguration(ConfigurationView& view)
{
    if (m_live.fileTypeIndex > view.fileTypeCount() - 1 || m_live.fileTypeIndex < 0) {
        m_interaction.showMessage(
            MessageIcon::Information, MessageButtons::Ok,
            QStringLiteral("File extension does not exist in the extension list, default will be used."));
        m_live.fileTypeIndex = 0;
    }
    view.showConfigurationName(m_currentName);
    view.showConfiguration(m_live);
}

config::Configuration ConfigurationCommands::captureConfiguration(const ConfigurationView& view) const
{
    config::Configuration captured = m_live;
    view.captureConfiguration(captured);
    return captured;
}

bool ConfigurationCommands::hasChanged(const ConfigurationView& view) const
{
    return !config::configurationsEqual(captureConfiguration(view), m_reference);
}

bool ConfigurationCommands::confirmConfigurationChanges(ConfigurationView&)
{
    return true;
}

} // namespace mervalon::app
