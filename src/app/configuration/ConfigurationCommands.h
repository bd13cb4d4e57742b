#pragma once
// Reading, applying and guarding the configuration in use. For now this holds what the window
// start needs: the name in mervalon40.ini, the record it names (or the default), the file type
// and AutoSelect applied to the window, and a "has changed" question that never finds a change.
// The capture, the full apply, load, save and the real question replace these bodies later; the
// main window only calls the three operations below.

#include "core/config/Configuration.h"

#include <QString>

namespace mervalon::app {

class Interaction;
class MainWindow;

class ConfigurationCommands {
public:
    ConfigurationCommands(Interaction& interaction, QString installDir);
    virtual ~ConfigurationCommands() = default;

    /// Reads the name in mervalon40.ini and the record it names in "configurations"; falls back
    /// to "!Default.rp4" (restored from the pristine copy when missing) with a message. Returns
    /// false, after reporting the error, when no record could be read.
    virtual bool readStartConfiguration();

    /// Shows the live configuration in the window: its file type (a stored index outside the
    /// list is reported and replaced by 0) and AutoSelect, then runs the file type change.
    virtual void applyConfiguration(MainWindow& window);

    /// True when the calling operation may go on.
    virtual bool confirmConfigurationChanges(MainWindow& window);

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
