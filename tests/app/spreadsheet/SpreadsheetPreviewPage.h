#pragma once
// The spreadsheet preview as the tests see it: each control by what it is for.

#include "app/AppTestSupport.h"
#include "app/common/ElidedLabel.h"
#include "app/spreadsheet/SpreadsheetPreview.h"
#include "app/spreadsheet/SpreadsheetPreviewControls.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>

namespace mervalon::app::testing {

/// The spreadsheet preview (" Excel file preview").
class SpreadsheetPreviewPage {
  public:
    explicit SpreadsheetPreviewPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] QLabel* heading() const { return control<QLabel>(m_window, SpreadsheetPreviewControls::heading); }
    [[nodiscard]] ElidedLabel* pathLabel() const
    {
        return control<ElidedLabel>(m_window, SpreadsheetPreviewControls::pathLabel);
    }
    [[nodiscard]] SheetGridView* grid() const
    {
        return control<SheetGridView>(m_window, SpreadsheetPreviewControls::grid);
    }
    [[nodiscard]] QTabBar* sheetTabs() const
    {
        return control<QTabBar>(m_window, SpreadsheetPreviewControls::sheetTabs);
    }
    [[nodiscard]] QMenu* rowMenu() const { return control<QMenu>(m_window, SpreadsheetPreviewControls::rowMenu); }
    [[nodiscard]] QAction* deleteRowAction() const
    {
        return control<QAction>(m_window, SpreadsheetPreviewControls::deleteRowAction);
    }
    [[nodiscard]] QAction* insertBeforeAction() const
    {
        return control<QAction>(m_window, SpreadsheetPreviewControls::insertBeforeAction);
    }
    [[nodiscard]] QAction* insertAfterAction() const
    {
        return control<QAction>(m_window, SpreadsheetPreviewControls::insertAfterAction);
    }
    [[nodiscard]] QPushButton* saveButton() const
    {
        return control<QPushButton>(m_window, SpreadsheetPreviewControls::saveButton);
    }
    [[nodiscard]] QPushButton* closeButton() const
    {
        return control<QPushButton>(m_window, SpreadsheetPreviewControls::closeButton);
    }

  private:
    const QWidget& m_window;
};

} // namespace mervalon::app::testing
