#pragma once
// Radio buttons for the values of an enumeration: one button per value, in the enumeration's
// order, each with its object name and caption, reporting the value the user clicked and
// showing the value a rule chose. The windows' groups of options (what a faulty line does, when
// the report is shown) are each one of these instead of a loop of their own.

#include <QBoxLayout>
#include <QButtonGroup>
#include <QRadioButton>
#include <array>
#include <cstddef>
#include <functional>
#include <optional>

namespace mervalon::app {

/// The object name and caption of the button of one value.
struct ChoiceButton {
    const char* objectName;
    const char* caption;
};

template <typename Value, std::size_t Count> class ChoiceButtons {
  public:
    /// Adds the buttons to `layout` in `parent`; the button of value i is made from `buttons[i]`.
    ChoiceButtons(QWidget* parent, QBoxLayout* layout, const std::array<ChoiceButton, Count>& buttons,
                  std::function<void(Value)> clicked)
        : m_group(new QButtonGroup(parent))
    {
        for (std::size_t i = 0; i < Count; ++i) {
            auto* button = new QRadioButton(QLatin1String(buttons[i].caption), parent);
            button->setObjectName(QLatin1String(buttons[i].objectName));
            m_group->addButton(button, static_cast<int>(i));
            layout->addWidget(button);
            m_buttons[i] = button;
            QObject::connect(button, &QRadioButton::clicked, m_group, [clicked, i] { clicked(static_cast<Value>(i)); });
        }
    }

    /// Checks the button of `value`, or none when there is no value (a stored choice unreadable).
    void show(std::optional<Value> value)
    {
        m_group->setExclusive(false);
        for (std::size_t i = 0; i < Count; ++i) {
            m_buttons[i]->setChecked(value && static_cast<std::size_t>(*value) == i);
        }
        m_group->setExclusive(true);
    }

    [[nodiscard]] QRadioButton* button(Value value) const { return m_buttons[static_cast<std::size_t>(value)]; }

  private:
    QButtonGroup* m_group;
    std::array<QRadioButton*, Count> m_buttons{};
};

} // namespace mervalon::app
