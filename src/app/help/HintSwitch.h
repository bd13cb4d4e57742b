#pragma once
// Tooltips for the whole program: on or off, shown 100 ms after the pointer rests on a control
// and hidden after 8000 ms. Installed once on the application, so every window follows it.

#include <QObject>

namespace mervalon::app {

class HintSwitch : public QObject {
    Q_OBJECT
  public:
    static constexpr int kShowDelayMs = 100;
    static constexpr int kShowTimeMs = 8000;

    /// Installs itself as an event filter of the application and sets the show delay.
    explicit HintSwitch(QObject* parent = nullptr);
    ~HintSwitch() override;

    void setEnabled(bool enabled) { m_enabled = enabled; }
    [[nodiscard]] bool isEnabled() const { return m_enabled; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool m_enabled = true;
};

} // namespace mervalon::app
