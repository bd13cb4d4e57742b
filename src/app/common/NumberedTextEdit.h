#pragma once
// A plain text editor with the line numbers in a margin on its left, and a way to go to a line:
// the report cites a point file's faulty lines by number, and the user finds them here.

#include <QPlainTextEdit>

namespace mervalon::app {

class NumberedTextEdit : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit NumberedTextEdit(QWidget* parent = nullptr);

    /// Puts the cursor on line `line` (1 for the first; clamped to the lines there are), selects
    /// the line's text and scrolls it into the middle of the view.
    void goToLine(int line);

    /// The margin's width for the number of lines the document has.
    [[nodiscard]] int marginWidth() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    friend class LineNumberMargin;
    void paintMargin(QPaintEvent* event);
    void updateMargin(const QRect& rect, int dy);

    QWidget* m_margin;
};

} // namespace mervalon::app
