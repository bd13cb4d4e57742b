#pragma once
// The text file viewer " File preview" (TForm8): shows a point file's lines for reading and
// editing, counts them, and saves them back over the file. The file keeps its encoding and its
// line ends, and it is replaced only by a complete new copy.

#include "app/viewers/ViewerRules.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace mervalon::app {

class ElidedLabel;
class Interaction;
class NumberedTextEdit;

class TextViewer : public QDialog {
    Q_OBJECT
  public:
    explicit TextViewer(Interaction& interaction, QWidget* parent = nullptr);

    /// Loads the file's lines into the editor. False, with the system's error shown and the
    /// viewer as it was, when the file cannot be read.
    bool load(const QString& path);

    /// "Save": writes the editor's lines over the file. False, with the reason shown and the
    /// file as it was, when it cannot be written.
    bool save();

    [[nodiscard]] const QString& fileName() const { return m_fileName; }

    /// The next showing starts on line `line` (1 for the first), selected, with the focus in the
    /// text; 0 starts as usual, at the top with the focus on Close.
    void startAtLine(int line) { m_startLine = line; }

    /// "Go to line": the cursor on line `line`, which is selected and scrolled into view.
    void goToLine(int line);

    /// Lets the text go once the viewer has closed, so that a large file's memory is given back.
    void unload();

    /// Escape, "Close" and the close box: edits not saved are first offered for saving (Yes
    /// saves, No drops them, Cancel keeps the viewer open).
    void reject() override;

    static inline const QString kUnsavedQuestion = QStringLiteral("The file has changed. Do you want to save it ?");

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void textChanged();

    Interaction& m_interaction;
    QString m_fileName;
    TextEncoding m_encoding = TextEncoding::Windows1252;
    bool m_byteOrderMark = false;
    QByteArray m_lineEnd = QByteArrayLiteral("\r\n");
    ElidedLabel* m_pathLabel = nullptr;
    NumberedTextEdit* m_editor = nullptr;
    QLineEdit* m_lineField = nullptr;
    int m_startLine = 0;
    QLabel* m_countLabel = nullptr;
    QPushButton* m_closeButton = nullptr;
};

} // namespace mervalon::app
