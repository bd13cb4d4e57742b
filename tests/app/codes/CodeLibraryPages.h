#pragma once
// The code library's controls as the tests see them: the choice in the main window and the editor.

#include "app/AppTestSupport.h"
#include "app/codes/CodeLibraryControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTableWidget>
#include <QToolButton>

namespace mervalon::app::testing {

/// The code library choice beside the format, and the escape option under it.
class CodeLibraryPanelPage {
  public:
    explicit CodeLibraryPanelPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] QComboBox* libraryList() const
    {
        return control<QComboBox>(m_window, CodeLibraryControls::libraryList);
    }
    [[nodiscard]] QToolButton* editorButton() const
    {
        return control<QToolButton>(m_window, CodeLibraryControls::editorButton);
    }
    [[nodiscard]] QToolButton* fileButton() const
    {
        return control<QToolButton>(m_window, CodeLibraryControls::fileButton);
    }
    [[nodiscard]] QCheckBox* escapeBox() const { return control<QCheckBox>(m_window, CodeLibraryControls::escapeBox); }

  private:
    const QWidget& m_window;
};

/// The code library editor.
class CodeLibraryEditorPage {
  public:
    explicit CodeLibraryEditorPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] QLabel* fileLabel() const { return control<QLabel>(m_window, CodeLibraryControls::fileLabel); }
    [[nodiscard]] QTableWidget* grid() const { return control<QTableWidget>(m_window, CodeLibraryControls::grid); }
    [[nodiscard]] QLabel* symbolCaption() const
    {
        return control<QLabel>(m_window, CodeLibraryControls::symbolCaption);
    }
    [[nodiscard]] QLabel* rowFaults() const { return control<QLabel>(m_window, CodeLibraryControls::rowFaults); }

  private:
    const QWidget& m_window;
};

} // namespace mervalon::app::testing
