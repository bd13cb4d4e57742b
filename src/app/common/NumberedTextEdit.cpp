#include "app/common/NumberedTextEdit.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>
#include <algorithm>

namespace mervalon::app {

/// The margin is a widget of its own over the editor's left viewport margin; the editor paints it.
class LineNumberMargin : public QWidget {
  public:
    explicit LineNumberMargin(NumberedTextEdit& editor) : QWidget(&editor), m_editor(editor) {}
    [[nodiscard]] QSize sizeHint() const override { return {m_editor.marginWidth(), 0}; }

  protected:
    void paintEvent(QPaintEvent* event) override { m_editor.paintMargin(event); }

  private:
    NumberedTextEdit& m_editor;
};

NumberedTextEdit::NumberedTextEdit(QWidget* parent) : QPlainTextEdit(parent), m_margin(new LineNumberMargin(*this))
{
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { setViewportMargins(marginWidth(), 0, 0, 0); });
    connect(this, &QPlainTextEdit::updateRequest, this, &NumberedTextEdit::updateMargin);
    // The cursor's line number is bold.
    connect(this, &QPlainTextEdit::cursorPositionChanged, m_margin, qOverload<>(&QWidget::update));
    setViewportMargins(marginWidth(), 0, 0, 0);
}

int NumberedTextEdit::marginWidth() const
{
    int digits = 1;
    for (int count = std::max(1, blockCount()); count >= 10; count /= 10) {
        ++digits;
    }
    return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void NumberedTextEdit::goToLine(int line)
{
    const int count = std::max(1, document()->blockCount());
    const QTextBlock block = document()->findBlockByNumber(std::clamp(line, 1, count) - 1);
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    centerCursor();
}

void NumberedTextEdit::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect contents = contentsRect();
    m_margin->setGeometry(QRect(contents.left(), contents.top(), marginWidth(), contents.height()));
}

void NumberedTextEdit::updateMargin(const QRect& rect, int dy)
{
    if (dy != 0) {
        m_margin->scroll(0, dy);
    } else {
        m_margin->update(0, rect.y(), m_margin->width(), rect.height());
    }
}

void NumberedTextEdit::paintMargin(QPaintEvent* event)
{
    QPainter painter(m_margin);
    painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const int current = textCursor().blockNumber();
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    // Only the visible lines are painted: a file of millions of lines costs nothing more.
    while (block.isValid() && top <= event->rect().bottom()) {
        const int bottom = top + qRound(blockBoundingRect(block).height());
        if (block.isVisible() && bottom >= event->rect().top()) {
            QFont font = painter.font();
            font.setBold(block.blockNumber() == current);
            painter.setFont(font);
            painter.drawText(0, top, m_margin->width() - 4, fontMetrics().height(), Qt::AlignRight,
                             QString::number(block.blockNumber() + 1));
        }
        block = block.next();
        top = bottom;
    }
}

} // namespace mervalon::app
