#pragma once
// The "Data modifiers" dialog as the tests see it: each control by what it is for.

#include "app/AppTestSupport.h"
#include "app/modifiers/DataModifiersControls.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace mervalon::app::testing {

/// The "Data modifiers" dialog.
class DataModifiersPage {
  public:
    explicit DataModifiersPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] QCheckBox* renumberBox() const
    {
        return control<QCheckBox>(m_window, DataModifiersControls::renumberBox);
    }
    [[nodiscard]] QRadioButton* newStartButton() const
    {
        return control<QRadioButton>(m_window, DataModifiersControls::newStartButton);
    }
    [[nodiscard]] QLineEdit* startNumberEdit() const
    {
        return control<QLineEdit>(m_window, DataModifiersControls::startNumberEdit);
    }
    [[nodiscard]] QLineEdit* stepEdit() const { return control<QLineEdit>(m_window, DataModifiersControls::stepEdit); }
    [[nodiscard]] QRadioButton* addValueButton() const
    {
        return control<QRadioButton>(m_window, DataModifiersControls::addValueButton);
    }
    [[nodiscard]] QLineEdit* addValueEdit() const
    {
        return control<QLineEdit>(m_window, DataModifiersControls::addValueEdit);
    }
    [[nodiscard]] QCheckBox* modifyBox() const
    {
        return control<QCheckBox>(m_window, DataModifiersControls::modifyBox);
    }
    [[nodiscard]] QLineEdit* xOffsetEdit() const
    {
        return control<QLineEdit>(m_window, DataModifiersControls::xOffsetEdit);
    }
    [[nodiscard]] QLineEdit* yOffsetEdit() const
    {
        return control<QLineEdit>(m_window, DataModifiersControls::yOffsetEdit);
    }
    [[nodiscard]] QLineEdit* zOffsetEdit() const
    {
        return control<QLineEdit>(m_window, DataModifiersControls::zOffsetEdit);
    }
    [[nodiscard]] QCheckBox* defaultZBox() const
    {
        return control<QCheckBox>(m_window, DataModifiersControls::defaultZBox);
    }
    [[nodiscard]] QLineEdit* defaultZEdit() const
    {
        return control<QLineEdit>(m_window, DataModifiersControls::defaultZEdit);
    }
    [[nodiscard]] QPushButton* okButton() const
    {
        return control<QPushButton>(m_window, DataModifiersControls::okButton);
    }
    [[nodiscard]] QPushButton* cancelButton() const
    {
        return control<QPushButton>(m_window, DataModifiersControls::cancelButton);
    }
    [[nodiscard]] QPushButton* helpButton() const
    {
        return control<QPushButton>(m_window, DataModifiersControls::helpButton);
    }

  private:
    const QWidget& m_window;
};

} // namespace mervalon::app::testing
