#include "app/help/HintSwitch.h"

#include <QApplication>
#include <QHelpEvent>
#include <QProxyStyle>
#include <QToolTip>
#include <QWidget>

namespace mervalon::app {
namespace {

/// The style's only change: the pause before a tooltip appears.
class HintDelayStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay) {
            return HintSwitch::kShowDelayMs;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

HintSwitch::HintSwitch(QObject* parent) : QObject(parent)
{
    if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // QApplication takes ownership of the style.
        QApplication::setStyle(new HintDelayStyle(QApplication::style()->name()));
        application->installEventFilter(this);
    }
}

HintSwitch::~HintSwitch()
{
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

bool HintSwitch::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip) {
        return false;
    }
    if (!m_enabled) {
        return true;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    auto* help = static_cast<QHelpEvent*>(event);
    if (widget == nullptr || widget->toolTip().isEmpty()) {
        // Item views and the like answer tooltips of their own; leave those alone.
        return false;
    }
    QToolTip::showText(help->globalPos(), widget->toolTip(), widget, {}, kShowTimeMs);
    return true;
}

} // namespace mervalon::app
