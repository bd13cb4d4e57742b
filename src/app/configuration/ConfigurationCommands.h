#pragma once
// Reading, applying, loading, saving and guarding the configuration in use: the name in
// mervalon40.ini, the record it names (or the default), the record shown in the window and
// captured back, and the "has changed" question that compares the captured record with the one
// last read or saved. The commands see the window only through ConfigurationView.

#include "core/config/Configuration.h"

#include <QString>
#include <exception>

namespace mervalon::app {

class ConfigurationView;
class Interaction;

enum class SaveOutcome {
    Saved,
    DialogCancelled, ///< the save dialog was cancelled, or replacing a file was refused
    CheckFailed,     ///< the entity layout does not agree with the texts created
    WriteFailed,     ///< the file could not be written; the error has been shown
};

/// The file filter of the load and save dialogs.
inline constexpr const char* kConfigurationFilter = "Mervalon configuration files (*.rp4)";

/// The path a save writes for the path the save dialog gave: ".rp4" is appended unless the file
/// name (not its folder) already contains ".rp4", case-sensitively.
QString configurationSavePath(const QString& chosenPath);

class ConfigurationCommands {
  public:
    ConfigurationCommands(Interaction& interaction, QString installDir);
    virtual ~ConfigurationCommands() = default;

    /// Reads the name in mervalon40.ini and the record it names in "configurations"; falls back
    /// to "!Default.rp4" (restored from the pristine copy when missing) with a message. Returns
    /// false, after reporting the error, when no record could be read.
    virtual bool readStartConfiguration();

    /// Shows the live configuration in the window. A format the list lacks is shown as
    /// "!default", a file type outside the list as the first one, each with its message.
    virtual void applyConfiguration(ConfigurationView& view);

    /// The live configuration as the window holds it now.
    [[nodiscard]] config::Configuration captureConfiguration(const ConfigurationView& view) const;

    /// True when the window holds a configuration other than the one last read or saved.
    [[nodiscard]] bool hasChanged(const ConfigurationView& view) const;

    /// Asks whether to save a changed configuration. True when the calling operation may go on:
    /// nothing changed, the user saved, or the user chose not to save.
    virtual bool confirmConfigurationChanges(ConfigurationView& view);

    /// The load command: the question, the open dialog, the file read and applied. True when a
    /// configuration was loaded.
    bool loadConfigurationFile(ConfigurationView& view);

    /// The load command's last steps for a file already chosen (the file given on the program's
    /// command line): reads `path`, records it as the configuration in use and applies it. A file
    /// that cannot be read is reported and changes nothing. True when it was loaded.
    bool loadConfigurationFrom(ConfigurationView& view, const QString& path);

    /// The save command: the entity check, the save dialog, the file and mervalon40.ini written.
    SaveOutcome saveConfigurationFile(ConfigurationView& view);

    [[nodiscard]] const QString& currentName() const { return m_currentName; }
    [[nodiscard]] const config::Configuration& live() const { return m_live; }
    [[nodiscard]] const config::Configuration& reference() const { return m_reference; }

  protected:
    [[nodiscard]] QString configurationsFolder() const;
    /// Records `fileName` as the configuration in use; false after reporting a failed write.
    bool writeConfigurationInUse(const QString& fileName);
    void reportError(const QString& text);
    void reportReadFailure(const std::exception& error);

    Interaction& m_interaction;
    QString m_installDir;
    QString m_currentName;
    config::Configuration m_live;
    config::Configuration m_reference;
    /// A configuration has been shown in the window, which from then on is its editor.
    bool m_applied = false;
};

} // namespace mervalon::app
