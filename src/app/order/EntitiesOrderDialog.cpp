#include "app/order/EntitiesOrderDialog.h"

#include "app/common/FieldCheck.h"
#include "app/common/TextConversions.h"
#include "app/common/WidgetHelpers.h"
#include "app/entities/EntityRules.h"
#include "app/order/EntitiesOrderControls.h"
#include "app/order/EntitiesOrderRules.h"
#include "app/shell/Interaction.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace mervalon::app {

/// The picture in " Entities position ": a yellow point and five short lines to its right, each
/// labelled with the text chosen for its place, so that the stack is seen as it will be drawn.
class SlotDrawing : public QWidget {
  public:
    explicit SlotDrawing(QWidget* parent) : QWidget(parent)
    {
        setMinimumSize(fontMetrics().horizontalAdvance(QStringLiteral("Y coordinatePoint")) + 50,
                       5 * (fontMetrics().height() + 4) + 8);
    }

    void setTexts(const std::array<QString, 5>& texts)
    {
        m_texts = texts;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const int lineHeight = fontMetrics().height() + 4;
        const int top = (height() - 5 * lineHeight) / 2;
        const int middle = top + 5 * lineHeight / 2;
        const int radius = 7;
        // The label "Point" under the circle is wider than it: the lines start beyond both.
        const int labelWidth = fontMetrics().horizontalAdvance(QStringLiteral("Point"));
        const QPoint centre(std::max(radius + 4, labelWidth / 2), middle);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(QColor(255, 255, 0));
        painter.drawEllipse(centre, radius, radius);
        painter.drawText(QRect(centre.x() - labelWidth / 2, middle + radius + 2, labelWidth + 2, lineHeight),
                         Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Point"));
        const int lineStart = centre.x() + std::max(radius, labelWidth / 2) + 8;
        for (int slot = 0; slot < 5; ++slot) {
            const int y = top + slot * lineHeight + lineHeight / 2;
            painter.setPen(QPen(palette().color(QPalette::WindowText), 2));
            painter.drawLine(lineStart, y, lineStart + 14, y);
            const QString& text = m_texts[static_cast<std::size_t>(slot)];
            painter.setPen(palette().color(text.isEmpty() ? QPalette::PlaceholderText : QPalette::WindowText));
            painter.drawText(QRect(lineStart + 20, y - lineHeight / 2, width() - lineStart - 20, lineHeight),
                             Qt::AlignLeft | Qt::AlignVCenter, text.isEmpty() ? QStringLiteral("-") : text);
        }
    }

  private:
    std::array<QString, 5> m_texts;
};

EntitiesOrderDialog::EntitiesOrderDialog(Interaction& interaction, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_interaction(interaction)
{
    setObjectName(QLatin1String(EntitiesOrderControls::window));
    setWindowTitle(QStringLiteral(" Entities order"));

    auto* position = groupBox(this, EntitiesOrderControls::positionGroup, " Entities position ");
    m_drawing = new SlotDrawing(position);
    auto* listGrid = new QGridLayout;
    for (int i = 0; i < 5; ++i) {
        auto* label = named(new QLabel(QString::number(i + 1), position),
                            EntitiesOrderControls::placeLabel(static_cast<std::size_t>(i)));
        auto* list = named(new QComboBox(position), EntitiesOrderControls::placeList(static_cast<std::size_t>(i)));
        list->setToolTip(QStringLiteral("Choose one item."));
        list->setMinimumContentsLength(12);
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        listGrid->addWidget(label, i, 0);
        listGrid->addWidget(list, i, 1);
        m_labels[static_cast<std::size_t>(i)] = label;
        m_lists[static_cast<std::size_t>(i)] = list;
        connect(list, &QComboBox::currentIndexChanged, this, &EntitiesOrderDialog::refreshDrawing);
    }
    auto* positionLayout = new QHBoxLayout(position);
    positionLayout->addWidget(m_drawing, 1);
    positionLayout->addLayout(listGrid);

    auto* distanceGroup = groupBox(this, EntitiesOrderControls::distanceGroup, " Distance from point ");
    m_distance = named(new QLineEdit(distanceGroup), EntitiesOrderControls::distanceEdit);
    m_distance->setToolTip(QStringLiteral("Enter a distance."));
    m_distance->setFixedWidth(m_distance->fontMetrics().horizontalAdvance(QStringLiteral("0000000.000")) + 16);
    auto* distanceRow = new QHBoxLayout(distanceGroup);
    distanceRow->addWidget(new QLabel(QStringLiteral("Create entities at "), distanceGroup));
    distanceRow->addWidget(m_distance);
    distanceRow->addWidget(new QLabel(QStringLiteral("units from point."), distanceGroup));
    distanceRow->addStretch();
    FieldCheck::watch(*m_distance, interaction, [](QLineEdit& edit) -> std::optional<QString> {
        if (const std::optional<double> value = parseDecimal(edit.text())) {
            edit.setText(threeDecimals(*value));
            return std::nullopt;
        }
        edit.setText(QStringLiteral("0.00"));
        return QStringLiteral("Give a distance please. Use the decimal point, not the comma.");
    });

    auto* ok = named(new QPushButton(QStringLiteral("OK"), this), EntitiesOrderControls::okButton);
    auto* cancel = named(new QPushButton(QStringLiteral("Cancel"), this), EntitiesOrderControls::cancelButton);
    auto* help = named(new QPushButton(QStringLiteral("Help"), this), EntitiesOrderControls::helpButton);
    // Enter is OK wherever the focus is (the distance box first checks its text); Tab reaches
    // every button.
    for (QPushButton* button : {ok, cancel, help}) {
        button->setAutoDefault(false);
    }
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    connect(ok, &QPushButton::clicked, this, &EntitiesOrderDialog::okPressed);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, &EntitiesOrderDialog::helpRequested);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(whiteHeader(this, QStringLiteral("Choose in which order entities are created")));
    auto* body = new QVBoxLayout;
    body->setContentsMargins(8, 4, 8, 0);
    body->addWidget(position);
    body->addWidget(distanceGroup);
    body->addLayout(buttons);
    layout->addLayout(body);
    setFixedSize(sizeHint());
}

bool EntitiesOrderDialog::edit(config::EntityLayout& layout, const std::array<bool, 5>& offered)
{
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        m_lists[i]->clear();
        m_lists[i]->setEnabled(false);
        m_labels[i]->setEnabled(false);
    }
    m_distance->setText(fromText(layout.distance));
    QStringList offeredTexts;
    for (const config::EntityContent content : offeredContents(offered)) {
        offeredTexts << entityContentText(static_cast<std::int32_t>(content));
    }
    for (std::size_t i = 0; i < m_lists.size() && i < static_cast<std::size_t>(offeredTexts.size()); ++i) {
        m_lists[i]->setEnabled(true);
        m_labels[i]->setEnabled(true);
        m_lists[i]->addItems(offeredTexts);
        // A stored content that is not offered (or not a content at all) selects nothing.
        m_lists[i]->setCurrentIndex(static_cast<int>(offeredTexts.indexOf(entityContentText(layout.slot[i]))));
    }
    refreshDrawing();

    const int result =
        execDialogDimming(m_interaction, *this, parentWidget() != nullptr ? parentWidget()->window() : nullptr);
    if (result != QDialog::Accepted) {
        return false;
    }
    layout = m_accepted;
    return true;
}

void EntitiesOrderDialog::okPressed()
{
    std::array<QString, 5> texts;
    std::array<bool, 5> enabled{};
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        texts[i] = m_lists[i]->currentText();
        enabled[i] = m_lists[i]->isEnabled();
    }
    const EntitiesOrderVerdict verdict = judgeEntitiesOrder(texts, enabled, m_distance->text());
    if (!verdict.badDistance) {
        m_distance->setText(threeDecimals(*parseDecimal(m_distance->text())));
    }
    if (!verdict.refusal.isEmpty()) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, verdict.refusal);
        if (verdict.badDistance) {
            m_distance->setText(QStringLiteral("0.000"));
            m_distance->setFocus(Qt::OtherFocusReason);
            m_distance->selectAll();
        }
        return;
    }
    m_accepted = verdict.layout;
    accept();
}

void EntitiesOrderDialog::refreshDrawing()
{
    std::array<QString, 5> texts;
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        texts[i] = m_lists[i]->currentText();
    }
    m_drawing->setTexts(texts);
}

} // namespace mervalon::app
