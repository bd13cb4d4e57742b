#pragma once
// The main window as the tests see it: each of its own controls by what it is for.

#include "app/AppTestSupport.h"
#include "app/common/ElidedLabel.h"
#include "app/mainwindow/MainWindowControls.h"
#include "app/settings/RunOptions.h"
#include "core/engine/ErrorPolicy.h"
#include "platform/SettingsKeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <cstddef>

namespace mervalon::app::testing {

/// The main window " Mervalon 4.0" (its panels have pages of their own).
class MainWindowPage {
  public:
    explicit MainWindowPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] QTabWidget* pages() const { return control<QTabWidget>(m_window, MainWindowControls::pages); }
    [[nodiscard]] QPushButton* entitiesOrderButton() const
    {
        return control<QPushButton>(m_window, MainWindowControls::entitiesOrderButton);
    }
    [[nodiscard]] QComboBox* formatList() const { return control<QComboBox>(m_window, MainWindowControls::formatList); }
    [[nodiscard]] QToolButton* formatEditorButton() const
    {
        return control<QToolButton>(m_window, MainWindowControls::formatEditorButton);
    }
    [[nodiscard]] ElidedLabel* formatDescription() const
    {
        return control<ElidedLabel>(m_window, MainWindowControls::formatDescription);
    }
    [[nodiscard]] QPushButton* dataModifiersButton() const
    {
        return control<QPushButton>(m_window, MainWindowControls::dataModifiersButton);
    }
    [[nodiscard]] QCheckBox* alwaysPolylineBox() const
    {
        return control<QCheckBox>(m_window, MainWindowControls::alwaysPolylineBox);
    }
    [[nodiscard]] QToolButton* createButton() const
    {
        return control<QToolButton>(m_window, MainWindowControls::createButton);
    }
    [[nodiscard]] QToolButton* exitButton() const
    {
        return control<QToolButton>(m_window, MainWindowControls::exitButton);
    }
    [[nodiscard]] QToolButton* helpFileButton() const
    {
        return control<QToolButton>(m_window, MainWindowControls::helpFileButton);
    }
    [[nodiscard]] QToolButton* lastReportButton() const
    {
        return control<QToolButton>(m_window, MainWindowControls::lastReportButton);
    }
    [[nodiscard]] QCheckBox* hintsBox() const { return control<QCheckBox>(m_window, MainWindowControls::hintsBox); }
    [[nodiscard]] QCheckBox* activeHelpBox() const
    {
        return control<QCheckBox>(m_window, MainWindowControls::activeHelpBox);
    }
    [[nodiscard]] QRadioButton* internalViewerButton() const
    {
        return control<QRadioButton>(m_window, MainWindowControls::internalViewerButton);
    }
    [[nodiscard]] QRadioButton* textEditorButton() const
    {
        return control<QRadioButton>(m_window, MainWindowControls::textEditorButton);
    }
    [[nodiscard]] QToolButton* optionsCreateButton() const
    {
        return control<QToolButton>(m_window, MainWindowControls::optionsCreateButton);
    }
    [[nodiscard]] QToolButton* optionsExitButton() const
    {
        return control<QToolButton>(m_window, MainWindowControls::optionsExitButton);
    }
    [[nodiscard]] QToolButton* optionsHelpFileButton() const
    {
        return control<QToolButton>(m_window, MainWindowControls::optionsHelpFileButton);
    }
    [[nodiscard]] QToolButton* optionsLastReportButton() const
    {
        return control<QToolButton>(m_window, MainWindowControls::optionsLastReportButton);
    }
    [[nodiscard]] QToolButton* aboutCreateButton() const
    {
        return control<QToolButton>(m_window, MainWindowControls::aboutCreateButton);
    }
    [[nodiscard]] QToolButton* aboutExitButton() const
    {
        return control<QToolButton>(m_window, MainWindowControls::aboutExitButton);
    }
    [[nodiscard]] QToolButton* aboutHelpFileButton() const
    {
        return control<QToolButton>(m_window, MainWindowControls::aboutHelpFileButton);
    }
    [[nodiscard]] QToolButton* aboutLastReportButton() const
    {
        return control<QToolButton>(m_window, MainWindowControls::aboutLastReportButton);
    }

    /// The Options tab's policy buttons: each named after the setting it is stored under.
    [[nodiscard]] QRadioButton* errorPolicyButton(ErrorPolicy policy) const
    {
        return control<QRadioButton>(m_window,
                                     platform::keys::errorPolicy.at(static_cast<std::size_t>(policy)).name.data());
    }
    [[nodiscard]] QRadioButton* reportPolicyButton(ReportPolicy policy) const
    {
        return control<QRadioButton>(m_window,
                                     platform::keys::reportPolicy.at(static_cast<std::size_t>(policy)).name.data());
    }

  private:
    const QWidget& m_window;
};

} // namespace mervalon::app::testing
