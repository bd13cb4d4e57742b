#pragma once
// The help windows as the tests see them: each control by what it is for.

#include "app/AppTestSupport.h"
#include "app/help/ActiveHelpWindowControls.h"
#include "app/help/ManualWindowControls.h"

#include <QTextBrowser>
#include <QToolButton>

namespace mervalon::app::testing {

/// The Active Help window.
class ActiveHelpWindowPage {
  public:
    explicit ActiveHelpWindowPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] QTextBrowser* browser() const
    {
        return control<QTextBrowser>(m_window, ActiveHelpWindowControls::browser);
    }

  private:
    const QWidget& m_window;
};

/// The manual window ("Mervalon Help").
class ManualWindowPage {
  public:
    explicit ManualWindowPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] QTextBrowser* browser() const
    {
        return control<QTextBrowser>(m_window, ManualWindowControls::browser);
    }
    [[nodiscard]] QToolButton* backButton() const
    {
        return control<QToolButton>(m_window, ManualWindowControls::backButton);
    }
    [[nodiscard]] QToolButton* forwardButton() const
    {
        return control<QToolButton>(m_window, ManualWindowControls::forwardButton);
    }
    [[nodiscard]] QToolButton* contentsButton() const
    {
        return control<QToolButton>(m_window, ManualWindowControls::contentsButton);
    }

  private:
    const QWidget& m_window;
};

} // namespace mervalon::app::testing
