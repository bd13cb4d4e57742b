#pragma once
// Active Help: the Active Help window switched on and off, and the topic of the control under
// the pointer shown in it. One event filter on the application watches the pointer over every
// window, so a window needs no code of its own to have its topics (they are in
// HelpTopicsRules). A pointer movement costs nothing while Active Help is off, nor while the
// pointer stays over the same widget, nor when the topic does not change.

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace mervalon::app {

class ActiveHelpWindow;
class Interaction;

class ActiveHelp : public QObject {
    Q_OBJECT
  public:
    /// Pixels between the Active Help window's left edge and the main window's: on switching on,
    /// and at window start.
    static constexpr int kSwitchOffset = 162;
    static constexpr int kStartOffset = 200;

    /// Creates the (hidden) Active Help window beside `mainWindow` and starts watching the pointer.
    ActiveHelp(Interaction& interaction, QWidget& mainWindow);
    ~ActiveHelp() override;

    ActiveHelp(const ActiveHelp&) = delete;
    ActiveHelp& operator=(const ActiveHelp&) = delete;

    void setInstallDir(const QString& installDir) { m_installDir = installDir; }

    /// "Show Active Help window." checked or unchecked: when on, the window is placed `offset`
    /// pixels left of the main window, shown, and shows the start topic; when off, hidden.
    void setActive(bool on, int offset = kSwitchOffset);
    [[nodiscard]] bool isActive() const { return m_active; }

    /// Places the window `offset` pixels left of the main window, level with its top, kept on
    /// the screen and off the main window where the screen has room for both (see
    /// activeHelpPlacement). Its shown or hidden state does not change.
    void placeBesideMainWindow(int offset);

    /// Shows topic `topic` unless Active Help is off or the topic is already shown.
    void showHelpTopic(int topic);
    [[nodiscard]] int lastHelpTopic() const { return m_lastTopic; }

    [[nodiscard]] ActiveHelpWindow& window() const { return *m_window; }

    /// The end of the program: the window may then close with the others.
    void allowClosing();

  signals:
    /// The browser was sent to the topic's page.
    void topicShown(int topic);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void pointerMovedOver(QWidget& widget);

    QWidget& m_mainWindow;
    ActiveHelpWindow* m_window;
    QString m_installDir;
    bool m_active = false;
    int m_lastTopic = 0;
    QPointer<QWidget> m_lastWidget;
};

} // namespace mervalon::app
