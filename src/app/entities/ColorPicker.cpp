#include "app/entities/ColorPicker.h"

#include "app/common/TextConversions.h"
#include "app/common/WidgetHelpers.h"
#include "app/entities/ColorPickerControls.h"
#include "app/shell/Interaction.h"
#include "core/config/ColorNameTable.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QVBoxLayout>
#include <optional>

namespace mervalon::app {
namespace {

/// One of the nine colours: a click picks it.
class SwatchPanel : public QFrame {
  public:
    SwatchPanel(const QColor& color, QWidget* parent) : QFrame(parent)
    {
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        setFixedSize(25, 25);
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, color);
        setPalette(palette);
        setCursor(Qt::PointingHandCursor);
    }
    std::function<void()> onClick;

  protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && onClick) {
            onClick();
        }
    }
};

/// A colour number typed in the edit: a whole number 0..255 with leading blanks allowed.
std::optional<int> typedNumber(const QString& text, int lowest)
{
    QString digits = text;
    while (!digits.isEmpty() && digits.front() == QLatin1Char(' ')) {
        digits.remove(0, 1);
    }
    bool ok = false;
    const int value = digits.toInt(&ok, 10);
    if (!ok || digits != digits.trimmed() || value < lowest || value > 255) {
        return std::nullopt;
    }
    return value;
}

} // namespace

QColor colorOfNumber(int number)
{
    const config::ColorSwatch swatch = config::colorSwatch(number);
    switch (swatch.kind) {
    case config::ColorSwatch::Kind::Rgb:
        return {swatch.red, swatch.green, swatch.blue};
    case config::ColorSwatch::Kind::ApplicationWorkspace:
        return {128, 128, 128};
    case config::ColorSwatch::Kind::ButtonFace:
        break;
    }
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

ColorPanel::ColorPanel(QWidget* parent) : QLabel(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
}

void ColorPanel::showColorNumber(int number)
{
    showColor(number, fromText(config::colorName(number)), colorOfNumber(number));
}

void ColorPanel::showColor(int number, const QString& name, const QColor& color)
{
    m_number = number;
    setText(name);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, color);
    // The name stays readable on the dark colours.
    palette.setColor(QPalette::WindowText, color.lightness() < 110 ? Qt::white : Qt::black);
    setPalette(palette);
}

ColorPickerDialog::ColorPickerDialog(Interaction& interaction, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_interaction(interaction)
{
    setObjectName(QLatin1String(ColorPickerControls::window));
    setWindowTitle(QStringLiteral(" Color selection"));

    auto* hint = named(new QLabel(QStringLiteral("Click a color or enter a color number (1 to 255)"), this),
                       ColorPickerControls::hint);
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    for (int number = 1; number <= static_cast<int>(ColorPickerControls::kSwatches.size()); ++number) {
        auto* panel = named(new SwatchPanel(colorOfNumber(number), this), ColorPickerControls::swatch(number));
        panel->setToolTip(fromText(config::colorName(number)));
        panel->onClick = [this, number] {
            pick(number, fromText(config::colorName(number)), colorOfNumber(number));
            accept();
        };
        row->addWidget(panel);
    }
    row->addStretch();

    auto* numberLabel = named(new QLabel(QStringLiteral("Color number:"), this), ColorPickerControls::numberLabel);
    m_number = named(new QLineEdit(this), ColorPickerControls::numberEdit);
    m_number->setMaxLength(5);
    m_number->setFixedWidth(m_number->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    connect(m_number, &QLineEdit::returnPressed, this, &ColorPickerDialog::numberEntered);
    auto* numberRow = new QHBoxLayout;
    numberRow->addWidget(numberLabel);
    numberRow->addWidget(m_number);
    numberRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(hint);
    layout->addLayout(row);
    layout->addLayout(numberRow);
    // Designed as 230 x 85; larger fonts or scaling widen it rather than cut the hint off.
    setFixedSize(QSize(230, 85).expandedTo(sizeHint()));
}

void ColorPickerDialog::pickFor(ColorPanel& panel, const QWidget& button)
{
    const int openedWith = panel.colorNumber();
    m_number->setText(QString::number(openedWith));
    move(button.mapToGlobal(QPoint(0, 0)) - QPoint(238, 85));
    // Closed without a choice unless a panel or the Enter key picks one; closed by its close box
    // it takes a valid typed number, but Escape cancels and the colour stays.
    m_escaped = false;
    if (m_interaction.execDialog(*this) != QDialog::Accepted) {
        if (m_escaped) {
            pick(openedWith, fromText(config::colorName(openedWith)), colorOfNumber(openedWith));
        } else {
            takeResultFromEdit(openedWith);
        }
    }
    panel.showColor(m_pickedNumber, m_pickedName, m_pickedColor);
}

void ColorPickerDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_escaped = true;
    }
    QDialog::keyPressEvent(event);
}

void ColorPickerDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_number->selectAll();
    m_number->setFocus();
}

void ColorPickerDialog::pick(int number, const QString& name, const QColor& color)
{
    m_pickedNumber = number;
    m_pickedName = name;
    m_pickedColor = color;
}

void ColorPickerDialog::numberEntered()
{
    const std::optional<int> number = typedNumber(m_number->text(), 1);
    if (!number) {
        m_number->selectAll();
        m_number->setFocus();
        return;
    }
    pick(*number, fromText(config::colorName(*number)), colorOfNumber(*number));
    accept();
}

void ColorPickerDialog::takeResultFromEdit(int openedWith)
{
    const int number = typedNumber(m_number->text(), 0).value_or(openedWith);
    pick(number, fromText(config::colorName(number)), colorOfNumber(number));
}

} // namespace mervalon::app
