#pragma once
// The format editor and its name prompt as the tests see them: each control by what it is for.

#include "app/AppTestSupport.h"
#include "app/formats/FormatEditorControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <cstddef>

namespace mervalon::app::testing {

/// The format editor (" Format Editor"). Rows by number: number, X, Y, Z, description, code.
class FormatEditorPage {
  public:
    explicit FormatEditorPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] QPushButton* doneButton() const { return button<QPushButton>(FormatEditorControls::doneButton); }
    [[nodiscard]] QPushButton* helpButton() const { return button<QPushButton>(FormatEditorControls::helpButton); }
    [[nodiscard]] QWidget* formatsGroup() const { return widget(FormatEditorControls::formatsGroup); }
    [[nodiscard]] QComboBox* formatList() const
    {
        return control<QComboBox>(m_window, FormatEditorControls::formatList);
    }
    [[nodiscard]] QToolButton* newButton() const { return button<QToolButton>(FormatEditorControls::newButton); }
    [[nodiscard]] QToolButton* saveButton() const { return button<QToolButton>(FormatEditorControls::saveButton); }
    [[nodiscard]] QToolButton* deleteButton() const { return button<QToolButton>(FormatEditorControls::deleteButton); }
    [[nodiscard]] QToolButton* renameButton() const { return button<QToolButton>(FormatEditorControls::renameButton); }
    [[nodiscard]] QLineEdit* descriptionEdit() const { return edit(FormatEditorControls::descriptionEdit); }
    [[nodiscard]] QWidget* parametersGroup() const { return widget(FormatEditorControls::parametersGroup); }
    [[nodiscard]] QWidget* kindPanel() const { return widget(FormatEditorControls::kindPanel); }
    [[nodiscard]] QRadioButton* textKindButton() const
    {
        return button<QRadioButton>(FormatEditorControls::textKindButton);
    }
    [[nodiscard]] QRadioButton* excelKindButton() const
    {
        return button<QRadioButton>(FormatEditorControls::excelKindButton);
    }
    [[nodiscard]] QWidget* sheetPanel() const { return widget(FormatEditorControls::sheetPanel); }
    [[nodiscard]] QRadioButton* sheetByNumberButton() const
    {
        return button<QRadioButton>(FormatEditorControls::sheetByNumberButton);
    }
    [[nodiscard]] QLineEdit* sheetNumberEdit() const { return edit(FormatEditorControls::sheetNumberEdit); }
    [[nodiscard]] QRadioButton* sheetByNameButton() const
    {
        return button<QRadioButton>(FormatEditorControls::sheetByNameButton);
    }
    [[nodiscard]] QLineEdit* sheetNameEdit() const { return edit(FormatEditorControls::sheetNameEdit); }
    [[nodiscard]] QLineEdit* firstLineEdit() const { return edit(FormatEditorControls::firstLineEdit); }
    [[nodiscard]] QPushButton* detectButton() const { return button<QPushButton>(FormatEditorControls::detectButton); }
    [[nodiscard]] QWidget* separatorPanel() const { return widget(FormatEditorControls::separatorPanel); }
    /// Comma, semicolon, space, tabulation, other.
    [[nodiscard]] QRadioButton* separatorButton(std::size_t choice) const
    {
        return button<QRadioButton>(FormatEditorControls::separatorButtons.at(choice));
    }
    [[nodiscard]] QLineEdit* otherSeparatorEdit() const { return edit(FormatEditorControls::otherSeparatorEdit); }
    [[nodiscard]] QWidget* dialectPanel() const { return widget(FormatEditorControls::dialectPanel); }
    /// Point, comma.
    [[nodiscard]] QRadioButton* decimalMarkButton(std::size_t mark) const
    {
        return button<QRadioButton>(FormatEditorControls::decimalMarkButtons.at(mark));
    }
    /// Quoted fields, trim blanks, keep empty fields, header line.
    [[nodiscard]] QCheckBox* dialectBox(std::size_t box) const
    {
        return button<QCheckBox>(FormatEditorControls::dialectBoxes.at(box));
    }
    [[nodiscard]] QWidget* rowPanel(std::size_t row) const { return widget(FormatEditorControls::rowPanels.at(row)); }
    [[nodiscard]] QCheckBox* importBox(std::size_t row) const
    {
        return button<QCheckBox>(FormatEditorControls::importBoxes.at(row));
    }
    [[nodiscard]] QLineEdit* positionEdit(std::size_t row) const
    {
        return edit(FormatEditorControls::positionEdits.at(row));
    }
    [[nodiscard]] QLineEdit* prefixEdit(std::size_t row) const
    {
        return edit(FormatEditorControls::prefixEdits.at(row));
    }
    [[nodiscard]] QCheckBox* keepBox(std::size_t row) const
    {
        return button<QCheckBox>(FormatEditorControls::keepBoxes.at(row));
    }
    [[nodiscard]] QWidget* codesPanel() const { return widget(FormatEditorControls::codesPanel); }
    /// New, draw, end.
    [[nodiscard]] QLineEdit* codeEdit(std::size_t code) const { return edit(FormatEditorControls::codeEdits.at(code)); }

  private:
    template <typename Button> Button* button(const char* name) const { return control<Button>(m_window, name); }
    [[nodiscard]] QLineEdit* edit(const char* name) const { return control<QLineEdit>(m_window, name); }
    [[nodiscard]] QWidget* widget(const char* name) const { return control<QWidget>(m_window, name); }

    const QWidget& m_window;
};

/// The prompts " New format" and " Rename".
class FormatNamePromptPage {
  public:
    explicit FormatNamePromptPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] QLineEdit* nameEdit() const
    {
        return control<QLineEdit>(m_window, FormatEditorControls::promptNameEdit);
    }
    [[nodiscard]] QPushButton* okButton() const
    {
        return control<QPushButton>(m_window, FormatEditorControls::promptOkButton);
    }
    [[nodiscard]] QPushButton* cancelButton() const
    {
        return control<QPushButton>(m_window, FormatEditorControls::promptCancelButton);
    }

  private:
    const QWidget& m_window;
};

} // namespace mervalon::app::testing
