#pragma once
// The code library of the configuration, beside its format in the main window: the choice of a
// library of the installation's "codes" folder, of a library file elsewhere, or none; the button
// that opens the chosen one (or a new one) in the code library editor, the button that picks a
// file elsewhere, and the escape option of the drawings' texts. Both are the
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

    /// The editor on the chosen library, or on a new one with none chosen; afterwards the list
    /// is filled anew, and a library saved under a new name is chosen.
    void openEditor();

    /// Asks for a library file anywhere on disk and chooses it (by its name when it is one of
    /// the "codes" folder, else by its path).
    void chooseOtherFile();

    [[nodiscard]] QString currentChoice() const;

    void showConfiguration(const config::Configuration& configuration) override;
    void captureConfiguration(config::Configuration& configuration) const override;

  private:
    void refreshEnabling();
    void selectChoice(const QString& choice);
    void fillLibraryList(const QString& chosen);
    [[nodiscard]] QString codesFolder() const;

    Interaction& m_interaction;
    QString m_installDir;
    QComboBox* m_library = nullptr;
    QToolButton* m_editButton = nullptr;
    QToolButton* m_fileButton = nullptr;
    QCheckBox* m_escape = nullptr;
};

} // namespace mervalon::app
