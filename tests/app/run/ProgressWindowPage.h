#pragma once
// The progress window as the tests see it: each control by what it is for.

#include "app/AppTestSupport.h"
#include "app/common/ElidedLabel.h"
#include "app/run/ProgressWindowControls.h"

#include <QLabel>
#include <QProgressBar>
#include <QToolButton>

namespace mervalon::app::testing {

/// The progress window of a run.
class ProgressWindowPage {
  public:
    explicit ProgressWindowPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] ElidedLabel* fileLabel() const
    {
        return control<ElidedLabel>(m_window, ProgressWindowControls::fileLabel);
    }
    [[nodiscard]] QProgressBar* progressBar() const
    {
        return control<QProgressBar>(m_window, ProgressWindowControls::progressBar);
    }
    [[nodiscard]] QLabel* fileCountLabel() const
    {
        return control<QLabel>(m_window, ProgressWindowControls::fileCountLabel);
    }
    [[nodiscard]] QToolButton* stopButton() const
    {
        return control<QToolButton>(m_window, ProgressWindowControls::stopButton);
    }

  private:
    const QWidget& m_window;
};

} // namespace mervalon::app::testing
