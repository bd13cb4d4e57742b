#pragma once
// The window as the configuration commands see it. The main window is the editor of the live
// configuration: each of its panels shows some fields of the record and captures them back, so
// that applying a record and asking whether it has changed need no widget of their own.

#include "core/config/Configuration.h"

#include <QString>

namespace mervalon::app {

/// A panel that shows some fields of the configuration and captures them back.
class ConfigurationPart {
  public:
    virtual ~ConfigurationPart() = default;

    /// Shows the fields this part edits.
    virtual void showConfiguration(const config::Configuration& configuration) = 0;

    /// Writes the fields this part edits into `configuration`, leaving every other field.
    virtual void captureConfiguration(config::Configuration& configuration) const = 0;
};

/// The whole window: every part, the name of the configuration in use, and what applying needs
/// to know of the window's lists.
class ConfigurationView : public ConfigurationPart {
  public:
    /// The number of file types the window offers.
    [[nodiscard]] virtual int fileTypeCount() const = 0;

    /// True when the format list holds `name`, compared without regard to letter case. A
    /// configuration naming a format the list lacks is shown with "!default" instead.
    [[nodiscard]] virtual bool hasFormat(const QString& name) const = 0;

    /// Shows the name of the configuration in use.
    virtual void showConfigurationName(const QString& name) = 0;

    /// True when the texts created agree in number with the filled places of the entity
    /// layout; otherwise says so, offers to open the entities order, and returns false.
    virtual bool checkEntitiesCreation() = 0;
};

} // namespace mervalon::app
