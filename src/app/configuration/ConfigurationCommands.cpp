#include "app/ConfigurationCommands.h"

#include "app/Interaction.h"
#include "app/MainWindow.h"
#include "core/io/FileIo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>

#include <filesystem>
#include <system_error>

namespace mervalon::app {
namespace {

std::filesystem::path toPath(const QString& path)
{
    return std::filesystem::path(path.toStdString());
}

QString firstLine(const std::string& text)
{
    const auto end = text.find_first_of("\r\n");
    const std::string line = text.substr(0, end);
    return QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
}

} // namespace

ConfigurationCommands::ConfigurationCommands(Interaction& interaction, QString installDir)
    : m_interaction(interaction), m_installDir(std::move(installDir))
{
}

bool ConfigurationCommands::readStartConfiguration()
{
    const QDir install(m_installDir);
    try {
        m_currentName = firstLine(io::readFileText(toPath(install.filePath(QStringLiteral("mervalon40.ini")))));
        const QString named = install.filePath(QStringLiteral("configurations/") + m_currentName);
        std::filesystem::path chosen = toPath(named);
        std::error_code ignored;
        if (m_currentName.isEmpty() || !std::filesystem::is_regular_file(chosen, ignored)) {
            const QString fallback = install.filePath(QStringLiteral("configurations/!Default.rp4"));
            chosen = toPath(fallback);
            if (!std::filesystem::exists(chosen, ignored)) {
                std::filesystem::copy_file(toPath(install.filePath(QStringLiteral("!Default.rp4"))), chosen);
            }
            m_interaction.showMessage(MessageIcon::Information, MessageButtons::Ok,
                                      QStringLiteral("Mervalon cannot find \"") + m_currentName +
                                          QStringLiteral("\" configuration file, \"!Default.rp4\" will be used instead. "));
            m_currentName = QStringLiteral("!Default.rp4");
        }
        m_live = config::readConfigurationFile(chosen);
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

void ConfigurationCommands::applyConfiguration(MainWindow& window)
{
    const int count = window.extensionCount();
    if (m_live.fileTypeIndex > count - 1 || m_live.fileTypeIndex < 0) {
        m_interaction.showMessage(
            MessageIcon::Information, MessageButtons::Ok,
            QStringLiteral("File extension does not exist in the extension list, default will be used."));
        m_live.fileTypeIndex = 0;
    }
    window.selectFileType(m_live.fileTypeIndex);
    window.setAutoSelect(m_live.autoSelect != 0);
    window.fileTypeChanged();
}

bool ConfigurationCommands::confirmConfigurationChanges(MainWindow&)
{
    return true;
}

} // namespace mervalon::app
