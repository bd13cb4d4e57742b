#include "app/common/ScreenFit.h"

#include "app/common/ScreenFitRules.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <optional>

namespace mervalon::app {
namespace {

constexpr char kFitterName[] = "mervalon_screen_fitter";

QMargins knownFrameMargins(const QWidget& window)
{
    const QWindow* handle = window.windowHandle();
    return handle != nullptr ? handle->frameMargins() : QMargins();
}

/// Where `window` should be, if it is not whole on its screen.
std::optional<QPoint> wantedPosition(const QWidget& window)
{
    const QScreen* screen = window.screen();
    if (screen == nullptr || !window.isVisible()) {
        return std::nullopt;
    }
    return fittedClientPosition(window.geometry(), reckonedFrameMargins(knownFrameMargins(window)),
                                screen->availableGeometry());
}

/// Moves the window's client area to `position` (QWidget::move places the frame, as far as it
/// knows it).
void moveClientTo(QWidget& window, QPoint position)
{
    window.move(window.pos() + (position - window.geometry().topLeft()));
}

/// Fits its window on every move and resize and every kFitIntervalMs while keepsFitting holds,
/// making up for the offset at which the manager lands the window; then removes itself.
class ScreenFitter : public QObject {
  public:
    explicit ScreenFitter(QWidget& window) : QObject(&window), m_window(window)
    {
        setObjectName(QLatin1String(kFitterName));
        m_shown.start();
        m_window.installEventFilter(this);
        m_ticks.setInterval(kFitIntervalMs);
        connect(&m_ticks, &QTimer::timeout, this, &ScreenFitter::fit);
        m_ticks.start();
        fit();
    }

    void startOver()
    {
        m_shown.restart();
        m_framed.invalidate();
        m_asked.reset();
        fit();
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_window && (event->type() == QEvent::Move || event->type() == QEvent::Resize) && !m_pending) {
            // After the event: the geometry and the frame are then the manager's latest.
            m_pending = true;
            QTimer::singleShot(0, this, [this] {
                m_pending = false;
                fit();
            });
        }
        return false;
    }

  private:
    void fit()
    {
        if (!m_framed.isValid() && !knownFrameMargins(m_window).isNull()) {
            m_framed.start();
        }
        if (const std::optional<QPoint> wanted = wantedPosition(m_window)) {
            const QPoint ask = m_asked ? positionToAsk(*wanted, *m_asked, m_window.geometry().topLeft()) : *wanted;
            m_asked = ask;
            moveClientTo(m_window, ask);
        }
        const std::optional<int> sinceFramed =
            m_framed.isValid() ? std::optional(static_cast<int>(m_framed.elapsed())) : std::nullopt;
        if (!keepsFitting(static_cast<int>(m_shown.elapsed()), sinceFramed)) {
            setObjectName(QString()); // a fit asked for from now on is a new fitter's
            m_window.removeEventFilter(this);
            m_ticks.stop();
            deleteLater();
        }
    }

    QWidget& m_window;
    QTimer m_ticks;
    QElapsedTimer m_shown;
    QElapsedTimer m_framed;
    std::optional<QPoint> m_asked;
    bool m_pending = false;
};

} // namespace

void fitOnScreen(QWidget& window)
{
    if (const std::optional<QPoint> wanted = wantedPosition(window)) {
        moveClientTo(window, *wanted);
    }
}

void fitOnScreenOnceFramed(QWidget& window)
{
    if (auto* fitter = window.findChild<QObject*>(QLatin1String(kFitterName), Qt::FindDirectChildrenOnly)) {
        static_cast<ScreenFitter*>(fitter)->startOver();
        return;
    }
    new ScreenFitter(window);
}

} // namespace mervalon::app
