#pragma once
// The text file viewer " File preview" (TForm8): shows a point file's lines for reading and
// editing, counts them, and saves them back over the file. The file keeps its encoding and its
// line ends, and it is replaced only by a complete new copy.

#include "app/viewers/ViewerRules.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace mervalon::app {

class ElidedLabel;
class Interaction;

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
    QPlainTextEdit* m_editor = nullptr;
    QLabel* m_countLabel = nullptr;
    QPushButton* m_closeButton = nullptr;
};

} // namespace mervalon::app
