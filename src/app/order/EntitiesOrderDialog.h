#pragma once
// The dialog " Entities order": which text stands in each of the five places beside a point,
// and how far from the point the texts begin. It edits the current EntityLayout; a refused OK
// keeps the dialog open and stores nothing.

#include "core/config/Configuration.h"

#include <QDialog>
#include <array>

class QComboBox;
class QLabel;
class QLineEdit;

namespace mervalon::app {

class Interaction;
class SlotDrawing;

class EntitiesOrderDialog : public QDialog {
    Q_OBJECT
  public:
    explicit EntitiesOrderDialog(Interaction& interaction, QWidget* parent = nullptr);

    /// Opens the dialog on `layout` with the texts offered (number, X, Y, elevation,
    /// description); OK stores the accepted slots and distance in `layout`. True on OK.
    bool edit(config::EntityLayout& layout, const std::array<bool, 5>& offered);

    /// The Enter key or the focus leaving the distance: rewritten with three decimals, or
    /// refused with a beep and a message.

  signals:
    void helpRequested();

  private:
    void okPressed();
    void refreshDrawing();

    Interaction& m_interaction;
    std::array<QComboBox*, 5> m_lists{};
    std::array<QLabel*, 5> m_labels{};
    QLineEdit* m_distance = nullptr;
    SlotDrawing* m_drawing = nullptr;
    config::EntityLayout m_accepted;
};

} // namespace mervalon::app
