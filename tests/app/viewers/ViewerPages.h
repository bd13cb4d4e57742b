#pragma once
// The viewers as the tests see them: each control by what it is for.

#include "app/AppTestSupport.h"
#include "app/common/ElidedLabel.h"
#include "app/viewers/ReportViewerControls.h"
#include "app/viewers/TextViewerControls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

namespace mervalon::app::testing {

/// The text viewer (" File preview").
class TextViewerPage {
  public:
    explicit TextViewerPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] ElidedLabel* pathLabel() const
    {
        return control<ElidedLabel>(m_window, TextViewerControls::pathLabel);
    }
    [[nodiscard]] QPlainTextEdit* editor() const
    {
        return control<QPlainTextEdit>(m_window, TextViewerControls::editor);
    }
    [[nodiscard]] QLabel* lineCountLabel() const
    {
        return control<QLabel>(m_window, TextViewerControls::lineCountLabel);
    }
    [[nodiscard]] QPushButton* saveButton() const
    {
        return control<QPushButton>(m_window, TextViewerControls::saveButton);
    }
    [[nodiscard]] QPushButton* closeButton() const
    {
        return control<QPushButton>(m_window, TextViewerControls::closeButton);
    }
    [[nodiscard]] QLineEdit* goToLineField() const
    {
        return control<QLineEdit>(m_window, TextViewerControls::goToLineField);
    }

  private:
    const QWidget& m_window;
};

/// The error report viewer (" Error Report").
class ReportViewerPage {
  public:
    explicit ReportViewerPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] QPlainTextEdit* reportView() const
    {
        return control<QPlainTextEdit>(m_window, ReportViewerControls::reportView);
    }
    [[nodiscard]] QToolButton* printButton() const
    {
        return control<QToolButton>(m_window, ReportViewerControls::printButton);
    }
    [[nodiscard]] QToolButton* closeButton() const
    {
        return control<QToolButton>(m_window, ReportViewerControls::closeButton);
    }

  private:
    const QWidget& m_window;
};

} // namespace mervalon::app::testing
