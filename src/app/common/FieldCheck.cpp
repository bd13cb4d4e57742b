#include "app/common/FieldCheck.h"

#include "app/common/MultiRowTabStrip.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

namespace mervalon::app {
namespace {

const char* const kCheckProperty = "mervalonFieldCheck";

/// Messages of field checks now open.
int g_openMessages = 0;
/// Set from a refusal until the events that led to it are delivered: the focus moves that the
/// refusal itself causes (the page shown, the field focused again) are not leavings.
bool g_settling = false;

bool leavingReason(Qt::FocusReason reason)
{
    switch (reason) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::MouseFocusReason:
    case Qt::ShortcutFocusReason:
    case Qt::OtherFocusReason:
        return true;
    default: // another window activated, a popup or the menu bar: the field is not left
        return false;
    }
}

/// Sees every mouse press the window system gives a window of the program before any widget
/// takes the focus for it, so that a press that would leave a refused field can be held back.
class PressWatcher : public QObject {
  public:
    static void ensureInstalled()
    {
        static PressWatcher* watcher = nullptr;
        if (watcher == nullptr && qApp != nullptr) {
            watcher = new PressWatcher(qApp);
            qApp->installEventFilter(watcher);
        }
    }

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        // New input from the user ends the settling of an earlier refusal (the queued end may not
        // have come yet when no event loop ran in between).
        if (event->type() == QEvent::KeyPress ||
            (receiver->isWindowType() && event->type() == QEvent::MouseButtonPress)) {
            g_settling = false;
        }
        if ((event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick) ||
            !receiver->isWindowType() || FieldCheck::messageOpen()) {
            return false;
        }
        auto* focus = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        FieldCheck* check = focus != nullptr ? FieldCheck::of(*focus) : nullptr;
        if (check == nullptr) {
            return false;
        }
        QWidget* top = focus->window();
        if (top->windowHandle() != receiver) {
            return false;
        }
        const auto* press = static_cast<QMouseEvent*>(event);
        const QWidget* target = top->childAt(top->mapFromGlobal(press->globalPosition().toPoint()));
        if (target != nullptr && (target == focus || focus->isAncestorOf(target))) {
            return false;
        }
        return !check->check();
    }

  private:
    using QObject::QObject;
};

} // namespace

FieldCheck::FieldCheck(QLineEdit& edit, Interaction& interaction, FieldRule rule)
    : QObject(&edit), m_edit(edit), m_interaction(interaction), m_rule(std::move(rule))
{
    edit.setProperty(kCheckProperty, QVariant::fromValue(static_cast<QObject*>(this)));
    edit.installEventFilter(this);
    PressWatcher::ensureInstalled();
}

FieldCheck& FieldCheck::watch(QLineEdit& edit, Interaction& interaction, FieldRule rule)
{
    return *new FieldCheck(edit, interaction, std::move(rule));
}

FieldCheck* FieldCheck::of(const QLineEdit& edit)
{
    return qobject_cast<FieldCheck*>(edit.property(kCheckProperty).value<QObject*>());
}

bool FieldCheck::messageOpen()
{
    return g_openMessages > 0;
}

bool FieldCheck::check(Rewrite rewrite)
{
    const QString before = m_edit.text();
    const std::optional<QString> refusal = m_rule(m_edit);
    if (rewrite == Rewrite::No && m_edit.text() != before) {
        m_edit.setText(before);
    }
    if (!refusal) {
        return true;
    }
    refuse(*refusal);
    return false;
}

void FieldCheck::refuse(const QString& message)
{
    QPointer<QLineEdit> edit(&m_edit);
    m_interaction.beep(440, 100);
    if (!message.isEmpty()) {
        ++g_openMessages;
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, message);
        --g_openMessages;
    }
    g_settling = true;
    QTimer::singleShot(0, qApp, [] { g_settling = false; });
    if (edit.isNull()) {
        return;
    }
    bringIntoView(*edit);
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

void FieldCheck::bringIntoView(QWidget& widget)
{
    QWidget* child = &widget;
    for (QWidget* parent = widget.parentWidget(); parent != nullptr; child = parent, parent = parent->parentWidget()) {
        if (auto* strip = qobject_cast<MultiRowTabStrip*>(parent)) {
            for (int index = 0; index < strip->count(); ++index) {
                if (strip->widget(index) == child || strip->widget(index)->isAncestorOf(&widget)) {
                    strip->setCurrentIndex(index);
                }
            }
        } else if (auto* tabs = qobject_cast<QTabWidget*>(parent)) {
            for (int index = 0; index < tabs->count(); ++index) {
                if (tabs->widget(index)->isAncestorOf(&widget)) {
                    tabs->setCurrentIndex(index);
                }
            }
        } else if (auto* stack = qobject_cast<QStackedWidget*>(parent);
                   stack != nullptr && qobject_cast<QTabWidget*>(stack->parentWidget()) == nullptr &&
                   qobject_cast<MultiRowTabStrip*>(stack->parentWidget()) == nullptr) {
            stack->setCurrentWidget(child);
        }
    }
}

bool FieldCheck::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &m_edit || messageOpen()) {
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool leaves = ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
                             (key->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier) ||
                            key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // A refused text keeps its key: Tab does not move on, Enter does not press a default button.
        return leaves && !check();
    }
    if (event->type() == QEvent::FocusOut) {
        const auto* focus = static_cast<QFocusEvent*>(event);
        if (!g_settling && leavingReason(focus->reason()) && m_edit.isEnabled() && m_edit.window()->isVisible()) {
            check();
        }
    }
    return false;
}

} // namespace mervalon::app
