#pragma once
// The code library of the configuration, beside its format in the main window: the choice of a
// library of the installation's "codes" folder (or none), the button that opens the chosen one
// in the code library editor, and the escape option of the drawings' texts. Both are the
// configuration's options, kept beside its record (ConfigurationOptions.h).

#include "app/configuration/ConfigurationView.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QToolButton;

namespace mervalon::app {

class Interaction;

class CodeLibraryPanel : public QWidget, public ConfigurationPart {
    Q_OBJECT
  public:
    explicit CodeLibraryPanel(Interaction& interaction, QWidget* parent = nullptr);

    /// The installation whose "codes" and "symbols" folders are used; fills the list.
    void attach(const QString& installDir);

    /// Fills the list anew from the "codes" folder, keeping the choice.
    void fillLibraryList();

    /// The editor on the chosen library; afterwards the list is filled anew.
    void openEditor();

    [[nodiscard]] QString currentChoice() const;

    void showConfiguration(const config::Configuration& configuration) override;
    void captureConfiguration(config::Configuration& configuration) const override;

  private:
    void refreshEnabling();

    Interaction& m_interaction;
    QString m_installDir;
    QComboBox* m_library = nullptr;
    QToolButton* m_editButton = nullptr;
    QCheckBox* m_escape = nullptr;
};

} // namespace mervalon::app
