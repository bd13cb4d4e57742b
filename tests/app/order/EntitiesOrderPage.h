#pragma once
// The "Entities order" dialog as the tests see it: each control by what it is for.

#include "app/AppTestSupport.h"
#include "app/order/EntitiesOrderControls.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstddef>

namespace mervalon::app::testing {

/// The "Entities order" dialog.
class EntitiesOrderPage {
  public:
    explicit EntitiesOrderPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] QLineEdit* distanceEdit() const
    {
        return control<QLineEdit>(m_window, EntitiesOrderControls::distanceEdit);
    }
    [[nodiscard]] QPushButton* okButton() const
    {
        return control<QPushButton>(m_window, EntitiesOrderControls::okButton);
    }
    [[nodiscard]] QPushButton* cancelButton() const
    {
        return control<QPushButton>(m_window, EntitiesOrderControls::cancelButton);
    }
    [[nodiscard]] QPushButton* helpButton() const
    {
        return control<QPushButton>(m_window, EntitiesOrderControls::helpButton);
    }
    [[nodiscard]] QLabel* placeLabel(std::size_t place) const
    {
        return control<QLabel>(m_window, EntitiesOrderControls::placeLabel(place));
    }
    [[nodiscard]] QComboBox* placeList(std::size_t place) const
    {
        return control<QComboBox>(m_window, EntitiesOrderControls::placeList(place));
    }

  private:
    const QWidget& m_window;
};

} // namespace mervalon::app::testing
