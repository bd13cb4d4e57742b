#pragma once
// The Active Help window "Active Help": a small tool window that stays on top of the others,
// filled by a browser that shows the help page of the control under the pointer. It is created
// once and only shown or hidden; the user cannot close it (the Options tab switches it off).

#include <QWidget>

class QTextBrowser;

namespace mervalon::app {

class Interaction;

class ActiveHelpWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kClientWidth = 152;
    static constexpr int kClientHeight = 202;

    explicit ActiveHelpWindow(Interaction& interaction, QWidget* parent = nullptr);

    /// Shows the page at `url`; returns at once.
    void navigate(const QUrl& url);
    [[nodiscard]] QTextBrowser& browser() const { return *m_browser; }

    /// Lets the window close, for the end of the program: until then closing is refused.
    void allowClosing() { m_closingAllowed = true; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    Interaction& m_interaction;
    QTextBrowser* m_browser;
    bool m_closingAllowed = false;
};

} // namespace mervalon::app
