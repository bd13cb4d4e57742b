#pragma once
// The name prompts of the format editor, " New format" and " Rename": one name box, OK and
// Cancel. OK closes the prompt only when the name passes the editor's checks; a refused name is
// reported in an error box and the focus goes back to the box.

#include <QDialog>
#include <QStringList>

class QLineEdit;

namespace mervalon::app {

class Interaction;

class FormatNamePrompt : public QDialog {
    Q_OBJECT
  public:
    enum class Kind { NewFormat, Rename };

    FormatNamePrompt(Kind kind, Interaction& interaction, QWidget* parent = nullptr);

    /// Before showing: the names already in use (the text must be none of them) and, for
    /// " Rename", the current name as the box's text. " New format" keeps its last text.
    void prepare(const QStringList& listed, const QString& text = {});

    /// The accepted name: lower-cased, then trimmed.
    [[nodiscard]] QString name() const;

    /// OK: closes with Accepted when the name passes, else reports why.
    void confirm();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    Interaction& m_interaction;
    QLineEdit* m_nameBox;
    QStringList m_listed;
};

} // namespace mervalon::app
