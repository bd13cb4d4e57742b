#pragma once
// A line edit checked when the user leaves it. Whichever way the field is left (Tab or
// Shift+Tab, Enter, a click anywhere else in its window, the focus moved away by the program)
// the same rule runs once; a refused text gives exactly one message, after which the field is
// brought into view (its tab page shown) with the focus in it and its text selected, so that the
// next key replaces it. A click that would leave a refused field is not delivered, as Tab is not:
// the button under it does not act and the tab under it does not open. Activating another window,
// such as the message box itself, is not leaving, so a check never runs again while its own
// message is open.

#include "app/shell/Interaction.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QLineEdit;

namespace mervalon::app {

/// Judges the text of a field: nothing when it is accepted (the rule may rewrite the text first,
/// e.g. to three decimals), else the message that says what is wrong. An empty message beeps
/// without a box.
using FieldRule = std::function<std::optional<QString>(QLineEdit& edit)>;

class FieldCheck : public QObject {
    Q_OBJECT
  public:
    /// Watches `edit` from now on; the check lives as long as the field.
    static FieldCheck& watch(QLineEdit& edit, Interaction& interaction, FieldRule rule);
    /// The check watching `edit`, or none.
    static FieldCheck* of(const QLineEdit& edit);

    /// Runs the rule now. On a refusal: the message (once), the field shown and focused with its
    /// text selected; false. With `Rewrite::No` the text stays exactly as it is either way (a
    /// check before a run must not change what the run reads).
    enum class Rewrite { Yes, No };
    bool check(Rewrite rewrite = Rewrite::Yes);

    /// True while the message of any field check is open.
    static bool messageOpen();

    /// Shows the page that holds `widget` in every tabbed panel or stack it sits in.
    static void bringIntoView(QWidget& widget);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    FieldCheck(QLineEdit& edit, Interaction& interaction, FieldRule rule);
    void refuse(const QString& message);

    QLineEdit& m_edit;
    Interaction& m_interaction;
    FieldRule m_rule;
};

} // namespace mervalon::app
