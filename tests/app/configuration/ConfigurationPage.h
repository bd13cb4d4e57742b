#pragma once
// The configuration strip of the main window as the tests see it.

#include "app/AppTestSupport.h"
#include "app/configuration/ConfigurationControls.h"

#include <QLabel>
#include <QToolButton>

namespace mervalon::app::testing {

/// The configuration strip: "Load", "Save" and the configuration in use.
class ConfigurationPage {
  public:
    explicit ConfigurationPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] QToolButton* loadButton() const
    {
        return control<QToolButton>(m_window, ConfigurationControls::loadButton);
    }
    [[nodiscard]] QToolButton* saveButton() const
    {
        return control<QToolButton>(m_window, ConfigurationControls::saveButton);
    }
    [[nodiscard]] QLabel* inUseLabel() const { return control<QLabel>(m_window, ConfigurationControls::inUseLabel); }
    [[nodiscard]] QLabel* nameLabel() const { return control<QLabel>(m_window, ConfigurationControls::nameLabel); }

  private:
    const QWidget& m_window;
};

} // namespace mervalon::app::testing
