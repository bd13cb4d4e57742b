#include "app/common/ElidedLabel.h"

#include <QFontMetrics>

namespace mervalon::app {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent)
{
    // The label takes the width its layout gives it instead of growing with the path.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedLabel::setFullText(const QString& text)
{
    m_fullText = text;
    setToolTip(text);
    elide();
}

void ElidedLabel::setElideMode(Qt::TextElideMode mode)
{
    m_mode = mode;
    elide();
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::elide()
{
    setText(fontMetrics().elidedText(m_fullText, m_mode, contentsRect().width()));
}

} // namespace mervalon::app
