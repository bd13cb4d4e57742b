#pragma once
// The manual inside the program: the installed help pages (help/*.html) in a text browser with
// Back, Forward and Contents, so that the manual can be read on a desktop that has no browser
// or no handler for local pages. Links to other pages of the manual follow in the window.

#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace mervalon::app {

class ManualWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ManualWindow(QWidget* parent = nullptr);

    /// Shows `page` (a local file, possibly with a #fragment) and raises the window. The first
    /// page shown is the one Contents returns to.
    void showPage(const QUrl& page);

    [[nodiscard]] QTextBrowser& browser() const { return *m_browser; }

  private:
    QTextBrowser* m_browser = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
    QUrl m_contents;
};

} // namespace mervalon::app
