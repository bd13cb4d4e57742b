#pragma once
// The entity tabs and the colour picker as the tests see them: each control by what it is for.

#include "app/AppTestSupport.h"
#include "app/entities/ColorPicker.h"
#include "app/entities/ColorPickerControls.h"
#include "app/entities/EntityPanels.h"
#include "app/entities/EntityPanelsControls.h"
#include "core/config/EntityKind.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>

namespace mervalon::app::testing {

/// The entity tabs of the main window: the same controls on every kind's tab.
class EntityPanelsPage {
  public:
    using Kind = config::EntityKind;

    explicit EntityPanelsPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] EntityPanels* tabs() const { return control<EntityPanels>(m_window, EntityPanelsControls::tabs); }
    [[nodiscard]] QWidget* page(Kind kind) const
    {
        return control<QWidget>(m_window, EntityPanelsControls::page(kind));
    }
    [[nodiscard]] QCheckBox* createBox(Kind kind) const
    {
        return control<QCheckBox>(m_window, EntityPanelsControls::createBox(kind));
    }
    [[nodiscard]] QRadioButton* flatButton(Kind kind) const
    {
        return control<QRadioButton>(m_window, EntityPanelsControls::flatButton(kind));
    }
    [[nodiscard]] QRadioButton* spatialButton(Kind kind) const
    {
        return control<QRadioButton>(m_window, EntityPanelsControls::spatialButton(kind));
    }
    [[nodiscard]] QLineEdit* heightEdit(Kind kind) const
    {
        return control<QLineEdit>(m_window, EntityPanelsControls::heightEdit(kind));
    }
    [[nodiscard]] QComboBox* precisionList(Kind kind) const
    {
        return control<QComboBox>(m_window, EntityPanelsControls::precisionList(kind));
    }
    [[nodiscard]] QLineEdit* layerEdit(Kind kind) const
    {
        return control<QLineEdit>(m_window, EntityPanelsControls::layerEdit(kind));
    }
    [[nodiscard]] ColorPanel* colorPanel(Kind kind) const
    {
        return control<ColorPanel>(m_window, EntityPanelsControls::colorPanel(kind));
    }
    [[nodiscard]] QToolButton* colorButton(Kind kind) const
    {
        return control<QToolButton>(m_window, EntityPanelsControls::colorButton(kind));
    }

  private:
    const QWidget& m_window;
};

/// The colour picker (" Color selection").
class ColorPickerPage {
  public:
    explicit ColorPickerPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] QLineEdit* numberEdit() const
    {
        return control<QLineEdit>(m_window, ColorPickerControls::numberEdit);
    }
    /// The swatch of colour `number` (1 to 9).
    [[nodiscard]] QWidget* swatch(int number) const
    {
        return control<QWidget>(m_window, ColorPickerControls::swatch(number));
    }

  private:
    const QWidget& m_window;
};

} // namespace mervalon::app::testing
