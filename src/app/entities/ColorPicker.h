#pragma once
// The layer colour of an entity: the panel that shows it (its tag is the colour number the
// configuration stores) and the picker " Color selection" (TForm4) that chooses it from the
// nine named colours or by number.

#include <QColor>
#include <QDialog>
#include <QLabel>

class QLineEdit;

namespace mervalon::app {

class Interaction;

/// The display colour of a colour number, from the colour name table.
QColor colorOfNumber(int number);

/// A sunken panel showing a colour number's name on its display colour.
class ColorPanel : public QLabel {
    Q_OBJECT
  public:
    explicit ColorPanel(QWidget* parent = nullptr);

    /// Shows the colour number with the name and display colour of the table.
    void showColorNumber(int number);
    /// Shows a picked colour as given.
    void showColor(int number, const QString& name, const QColor& color);
    [[nodiscard]] int colorNumber() const { return m_number; }

  private:
    int m_number = 0;
};

class ColorPickerDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ColorPickerDialog(Interaction& interaction, QWidget* parent = nullptr);

    /// Shows the picker for `panel`, placed by the button that opened it, and gives the panel
    /// the picker's result however it closes.
    void pickFor(ColorPanel& panel, const QWidget& button);

    [[nodiscard]] int pickedColorNumber() const { return m_pickedNumber; }
    [[nodiscard]] const QString& pickedColorName() const { return m_pickedName; }
    [[nodiscard]] const QColor& pickedColor() const { return m_pickedColor; }

  protected:
    void showEvent(QShowEvent* event) override;
    /// Notes Escape, which cancels: the panel keeps the colour the picker opened with.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void pick(int number, const QString& name, const QColor& color);
    void numberEntered();
    /// The result of a picker closed without a choice: the number in the edit, or the colour it
    /// was opened with when the edit holds no colour number.
    void takeResultFromEdit(int openedWith);

    Interaction& m_interaction;
    QLineEdit* m_number = nullptr;
    int m_pickedNumber = 0;
    bool m_escaped = false;
    QString m_pickedName;
    QColor m_pickedColor;
};

} // namespace mervalon::app
