#include "app/modifiers/DataModifiersDialog.h"

#include "app/common/WidgetHelpers.h"
#include "app/modifiers/DataModifiersControls.h"
#include "app/modifiers/DataModifiersRules.h"
#include "app/shell/Interaction.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace mervalon::app {
namespace {

QLineEdit* numberBox(QWidget* parent, const char* name, const char* hint)
{
    auto* edit = named(new QLineEdit(parent), name);
    if (hint != nullptr) {
        edit->setToolTip(QLatin1String(hint));
    }
    edit->setAlignment(Qt::AlignRight);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("-000000.000")) + 16);
    return edit;
}

} // namespace

DataModifiersDialog::DataModifiersDialog(Interaction& interaction, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_interaction(interaction)
{
    setObjectName(QLatin1String(DataModifiersControls::window));
    setWindowTitle(QStringLiteral(" Data modifiers"));

    // " Renumbering "
    m_renumbering = groupBox(this, DataModifiersControls::renumberingGroup, " Renumbering ");
    m_renumber =
        named(new QCheckBox(QStringLiteral("Renumber points"), m_renumbering), DataModifiersControls::renumberBox);
    m_newStart = named(new QRadioButton(QStringLiteral("Define a new start number : "), m_renumbering),
                       DataModifiersControls::newStartButton);
    m_startNumber = numberBox(m_renumbering, DataModifiersControls::startNumberEdit, nullptr);
    m_step = numberBox(m_renumbering, DataModifiersControls::stepEdit, "Enter an integer value");
    m_addToExisting = named(new QRadioButton(QStringLiteral("Add a value to existing number : "), m_renumbering),
                            DataModifiersControls::addValueButton);
    m_addValue = numberBox(m_renumbering, DataModifiersControls::addValueEdit, "Enter an integer value");
    auto* renumberGrid = new QGridLayout(m_renumbering);
    renumberGrid->addWidget(m_renumber, 0, 0, 1, 4);
    renumberGrid->addWidget(m_newStart, 1, 0);
    renumberGrid->addWidget(m_startNumber, 1, 1);
    renumberGrid->addWidget(new QLabel(QStringLiteral("Step : "), m_renumbering), 1, 2, Qt::AlignRight);
    renumberGrid->addWidget(m_step, 1, 3);
    renumberGrid->addWidget(m_addToExisting, 2, 0);
    renumberGrid->addWidget(m_addValue, 2, 1);
    renumberGrid->setColumnStretch(4, 1);

    // " Coordinates modification "
    m_coordinates = groupBox(this, DataModifiersControls::coordinatesGroup, " Coordinates modification ");
    m_modify =
        named(new QCheckBox(QStringLiteral("Modify coordinates"), m_coordinates), DataModifiersControls::modifyBox);
    m_xOffset = numberBox(m_coordinates, DataModifiersControls::xOffsetEdit, "Enter a decimal value");
    m_yOffset = numberBox(m_coordinates, DataModifiersControls::yOffsetEdit, "Enter a decimal value");
    m_zOffset = numberBox(m_coordinates, DataModifiersControls::zOffsetEdit, "Enter a decimal value");
    auto* coordinatesGrid = new QGridLayout(m_coordinates);
    coordinatesGrid->addWidget(m_modify, 0, 0, 1, 3);
    const std::pair<QLineEdit*, const char*> offsets[] = {
        {m_xOffset, "to the X coordinate."}, {m_yOffset, "to the Y coordinate."}, {m_zOffset, "to the Z coordinate."}};
    int row = 1;
    for (const auto& [edit, caption] : offsets) {
        coordinatesGrid->addWidget(new QLabel(QStringLiteral("Add "), m_coordinates), row, 0, Qt::AlignRight);
        coordinatesGrid->addWidget(edit, row, 1);
        coordinatesGrid->addWidget(new QLabel(QLatin1String(caption), m_coordinates), row, 2);
        ++row;
    }
    coordinatesGrid->setColumnStretch(2, 1);

    // " Z Coordinate option "
    auto* zOption = groupBox(this, DataModifiersControls::zOptionGroup, " Z Coordinate option ");
    m_useDefaultZ =
        named(new QCheckBox(QStringLiteral("Use this default value : "), zOption), DataModifiersControls::defaultZBox);
    m_defaultZ = numberBox(zOption, DataModifiersControls::defaultZEdit, "Enter a decimal value");
    auto* zGrid = new QGridLayout(zOption);
    zGrid->addWidget(
        new QLabel(QStringLiteral("If Z is missing, or Z does not exist in the file format then  :"), zOption), 0, 0, 1,
        3);
    zGrid->addWidget(m_useDefaultZ, 1, 0);
    zGrid->addWidget(m_defaultZ, 1, 1);
    zGrid->setColumnStretch(2, 1);

    auto* ok = named(new QPushButton(QStringLiteral("Ok"), this), DataModifiersControls::okButton);
    auto* cancel = named(new QPushButton(QStringLiteral("Cancel"), this), DataModifiersControls::cancelButton);
    auto* help = named(new QPushButton(QStringLiteral("Help"), this), DataModifiersControls::helpButton);
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(whiteHeader(this, QStringLiteral("Renumber points, transform coordinates, set Z option")));
    auto* body = new QVBoxLayout;
    body->setContentsMargins(8, 4, 8, 0);
    body->addWidget(m_renumbering);
    body->addWidget(m_coordinates);
    body->addWidget(zOption);
    body->addLayout(buttons);
    layout->addLayout(body);
    setFixedSize(sizeHint());

    for (QAbstractButton* button :
         std::initializer_list<QAbstractButton*>{m_newStart, m_addToExisting, m_renumber, m_modify, m_useDefaultZ}) {
        connect(button, &QAbstractButton::clicked, this, &DataModifiersDialog::applyEnabling);
    }
    for (auto [edit, zeroBecomesOne] : {std::pair{m_startNumber, false}, {m_step, true}, {m_addValue, true}}) {
        connect(edit, &QLineEdit::editingFinished, this,
                [edit, zeroBecomesOne] { edit->setText(correctedInteger(edit->text(), zeroBecomesOne)); });
    }
    for (QLineEdit* edit : {m_xOffset, m_yOffset, m_zOffset, m_defaultZ}) {
        connect(edit, &QLineEdit::editingFinished, this, [edit] { edit->setText(correctedDecimal(edit->text())); });
    }
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, &DataModifiersDialog::helpRequested);
}

bool DataModifiersDialog::edit(config::DataModifiers& modifiers)
{
    showModifiers(modifiers);
    const int result =
        execDialogDimming(m_interaction, *this, parentWidget() != nullptr ? parentWidget()->window() : nullptr);
    if (result != QDialog::Accepted) {
        return false;
    }
    readModifiers(modifiers);
    return true;
}

void DataModifiersDialog::showModifiers(const config::DataModifiers& m)
{
    const DataModifiersTexts texts = modifiersTexts(m);
    m_renumber->setChecked(m.renumber != 0);
    m_newStart->setChecked(m.useNewStartNumber != 0);
    m_addToExisting->setChecked(m.useNewStartNumber == 0);
    m_startNumber->setText(texts.startNumber);
    m_step->setText(texts.step);
    m_addValue->setText(texts.addValue);
    m_modify->setChecked(m.modifyCoordinates != 0);
    m_xOffset->setText(texts.xOffset);
    m_yOffset->setText(texts.yOffset);
    m_zOffset->setText(texts.zOffset);
    m_defaultZ->setText(texts.defaultZ);
    m_useDefaultZ->setChecked(m.useDefaultZ != 0);
    applyEnabling();
}

void DataModifiersDialog::readModifiers(config::DataModifiers& m) const
{
    m.renumber = m_renumber->isChecked() ? 1 : 0;
    m.useNewStartNumber = m_newStart->isChecked() ? 1 : 0;
    m.modifyCoordinates = m_modify->isChecked() ? 1 : 0;
    m.useDefaultZ = m_useDefaultZ->isChecked() ? 1 : 0;
    readModifiersTexts({m_startNumber->text(), m_step->text(), m_addValue->text(), m_xOffset->text(), m_yOffset->text(),
                        m_zOffset->text(), m_defaultZ->text()},
                       m);
}

void DataModifiersDialog::applyEnabling()
{
    const DataModifiersEnabling enabling = modifiersEnabling(
        {m_renumber->isChecked(), m_newStart->isChecked(), m_modify->isChecked(), m_useDefaultZ->isChecked()});
    // A group's check box stays enabled: it is how the group is switched back on.
    for (QWidget* child : m_renumbering->findChildren<QWidget*>()) {
        child->setEnabled(enabling.renumberingGroup);
    }
    m_startNumber->setEnabled(enabling.startAndStep);
    m_step->setEnabled(enabling.startAndStep);
    m_addValue->setEnabled(enabling.addValue);
    for (QWidget* child : m_coordinates->findChildren<QWidget*>()) {
        child->setEnabled(enabling.offsets);
    }
    m_renumber->setEnabled(true);
    m_modify->setEnabled(true);
    m_defaultZ->setEnabled(enabling.defaultZ);
}

} // namespace mervalon::app
