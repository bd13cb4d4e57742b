#pragma once
// The dialog " Data modifiers": renumbering, coordinate offsets and the default Z. It edits a
// copy of the live DataModifiers and gives it back only on OK; its boxes are corrected silently
// when the focus leaves them.

#include "core/config/Configuration.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;

namespace mervalon::app {

class Interaction;

class DataModifiersDialog : public QDialog {
    Q_OBJECT
  public:
    explicit DataModifiersDialog(Interaction& interaction, QWidget* parent = nullptr);

    /// Shows the dialog for `modifiers`; on OK writes the eleven fields back into it and returns
    /// true, on Cancel or the close box leaves it and returns false.
    bool edit(config::DataModifiers& modifiers);

    /// Enables the controls as the switches now say (see modifiersEnabling).
    void applyEnabling();

  signals:
    /// "Help" was pressed: the help file is the main window's to open.
    void helpRequested();

  private:
    void showModifiers(const config::DataModifiers& modifiers);
    void readModifiers(config::DataModifiers& modifiers) const;

    Interaction& m_interaction;
    QGroupBox* m_renumbering = nullptr;
    QGroupBox* m_coordinates = nullptr;
    QCheckBox* m_renumber = nullptr;
    QRadioButton* m_newStart = nullptr;
    QRadioButton* m_addToExisting = nullptr;
    QLineEdit* m_startNumber = nullptr;
    QLineEdit* m_step = nullptr;
    QLineEdit* m_addValue = nullptr;
    QCheckBox* m_modify = nullptr;
    QLineEdit* m_xOffset = nullptr;
    QLineEdit* m_yOffset = nullptr;
    QLineEdit* m_zOffset = nullptr;
    QCheckBox* m_useDefaultZ = nullptr;
    QLineEdit* m_defaultZ = nullptr;
};

} // namespace mervalon::app
