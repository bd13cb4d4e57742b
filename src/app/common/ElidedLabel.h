#pragma once
// A one-line label for paths: a text too long for the label is cut in the middle with an
// ellipsis, so that both the start of the path and the folder's own name stay visible (other
// texts may be cut at their end); the whole text is the tooltip.

#include <QLabel>

namespace mervalon::app {

class ElidedLabel : public QLabel {
    Q_OBJECT
  public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    /// The whole text; text() is what fits.
    void setFullText(const QString& text);
    [[nodiscard]] const QString& fullText() const { return m_fullText; }
    /// Where a text too long is cut: in the middle (the default) or at its end.
    void setElideMode(Qt::TextElideMode mode);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void elide();

    QString m_fullText;
    Qt::TextElideMode m_mode = Qt::ElideMiddle;
};

} // namespace mervalon::app
