#pragma once
// Reading, applying and guarding the configuration in use: the name in mervalon40.ini, the
// record it names (or the default), the record shown in the window and captured back, and the
// "has changed" comparison of the captured record with the one last read or saved. The
// commands see the window only through ConfigurationView.

#include "core/config/Configuration.h"

#include <QString>

namespace mervalon::app {

class ConfigurationView;
class Interaction;

class ConfigurationCommands {
public:
    ConfigurationCommands(Interaction& interaction, QString installDir);
    virtual ~ConfigurationCommands() = default;

    /// Reads the name in mervalon40.ini and the record it names in "configurations"; falls back
    /// to "!Default.rp4" (restored from the pristine copy when missing) with a message. Returns
    /// false, after reporting the error, when no record could be read.
    virtual bool readStartConfiguration();

    /// Shows the live configuration in the window; a stored file type outside the window's list
    /// is reported and replaced by the first one.
    virtual void applyConfiguration(ConfigurationView& view);

    /// The live configuration as the window holds it now.
    [[nodiscard]] config::Configuration captureConfiguration(const ConfigurationView& view) const;

    /// True when the window holds a configuration other than the one last read or saved.
    [[nodiscard]] bool hasChanged(const ConfigurationView& view) const;

    /// True when the calling operation may go on.
    virtual bool confirmConfigurationChanges(ConfigurationView& view);

    [[nodiscard]] const QString& currentName() const { return m_currentName; }
    [[nodiscard]] const config::Configuration& live() const { return m_live; }

protected:
    Interaction& m_interaction;
    QString m_installDir;
    QString m_currentName;
    config::Configuration m_live;
    config::Configuration m_reference;
};

} // namespace mervalon::app
