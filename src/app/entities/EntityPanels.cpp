#include "app/entities/EntityPanels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>

namespace mervalon::app {
namespace {

struct EntityTab {
    const char* page;
    const char* caption;
    const char* check;
    const char* checkCaption;
    const char* radio2D;
    const char* radio3D;
    const char* heightEdit; // nullptr: no text height
    const char* precisionCombo; // nullptr: no precision
    const char* layerEdit;
    const char* layerLabel;
    const char* colorPanel;
    const char* colorButton;
};

constexpr EntityTab kTabs[] = {
    {"TabSheet2", "Point", "pt_cr", "Create Point.", "rb1", "rb2", nullptr, nullptr, "pt_la", "In layer:", "Panel1",
     "SpeedButton3"},
    {"TabSheet3", "Number", "nb_cr", "Create Number.", "RadioButton3", "RadioButton4", "Edit2", nullptr, "Edit4",
     "In layer:", "Panel2", "SpeedButton5"},
    {"TabSheet8", "X Coord.", "x_cr", "Create X (East) coordinate.", "RadioButton5", "RadioButton6", "Edit5",
     "ComboBox1", "Edit6", "Layer:", "Panel6", "SpeedButton9"},
    {"TabSheet9", "Y Coord.", "y_cr", "Create Y (North) coordinate.", "RadioButton7", "RadioButton8", "Edit7",
     "ComboBox2", "Edit8", "Layer:", "Panel7", "SpeedButton10"},
    {"TabSheet4", "Elevation", "el_cr", "Create Elevation.", "RadioButton9", "RadioButton10", "Edit9", "ComboBox3",
     "Edit10", "Layer:", "Panel3", "SpeedButton6"},
    {"TabSheet5", "Description", "de_cr", "Create Description.", "RadioButton11", "RadioButton12", "Edit12", nullptr,
     "Edit13", "In layer:", "Panel4", "SpeedButton7"},
    {"TabSheet6", "Polyline", "po_cr", "Create Polyline.", "RadioButton1", "RadioButton2", nullptr, nullptr, "Edit16",
     "In layer:", "Panel5", "SpeedButton8"},
};

template <typename Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QWidget* buildTab(const EntityTab& tab)
{
    auto* page = named(new QWidget, tab.page);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setVerticalSpacing(4);
    int row = 0;

    auto* check = named(new QCheckBox(QLatin1String(tab.checkCaption), page), tab.check);
    QFont bold = check->font();
    bold.setBold(true);
    check->setFont(bold);
    grid->addWidget(check, row++, 0, 1, 3);

    auto* flat = named(new QRadioButton(QStringLiteral("2D"), page), tab.radio2D);
    flat->setToolTip(QStringLiteral("Use 2D (z=0) coordinates"));
    auto* raised = named(new QRadioButton(QStringLiteral("3D"), page), tab.radio3D);
    raised->setToolTip(QStringLiteral("Use 3D coordinates"));
    grid->addWidget(flat, row, 0);
    grid->addWidget(raised, row++, 1);

    if (tab.heightEdit != nullptr) {
        auto* edit = named(new QLineEdit(page), tab.heightEdit);
        edit->setToolTip(QStringLiteral("Enter a decimal value"));
        grid->addWidget(new QLabel(QStringLiteral("Text height:"), page), row, 0);
        grid->addWidget(edit, row++, 1, 1, 2);
    }
    if (tab.precisionCombo != nullptr) {
        auto* combo = named(new QComboBox(page), tab.precisionCombo);
        combo->setEditable(true);
        combo->setToolTip(QStringLiteral("Select number of decimals"));
        combo->addItems({"0", "0.0", "0.00", "0.000", "0.0000", "0.00000"});
        combo->setCurrentIndex(-1);
        grid->addWidget(new QLabel(QStringLiteral("Precision:"), page), row, 0);
        grid->addWidget(combo, row++, 1, 1, 2);
    }
    auto* layer = named(new QLineEdit(page), tab.layerEdit);
    layer->setToolTip(QStringLiteral("Enter a Layer name."));
    grid->addWidget(new QLabel(QLatin1String(tab.layerLabel), page), row, 0);
    grid->addWidget(layer, row++, 1, 1, 2);

    auto* panel = named(new QLabel(page), tab.colorPanel);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAlignment(Qt::AlignCenter);
    panel->setAutoFillBackground(true);
    auto* colorButton = named(new QToolButton(page), tab.colorButton);
    colorButton->setText(QStringLiteral("..."));
    colorButton->setToolTip(QStringLiteral("Click to select a color."));
    grid->addWidget(new QLabel(QStringLiteral("Layer color:"), page), row, 0);
    grid->addWidget(panel, row, 1);
    grid->addWidget(colorButton, row++, 2);

    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return page;
}

} // namespace

EntityPanels::EntityPanels(QWidget* parent) : QTabWidget(parent)
{
    setObjectName(QStringLiteral("pagecontrol2"));
    setUsesScrollButtons(true);
    setElideMode(Qt::ElideNone);
    for (const EntityTab& tab : kTabs) {
        addTab(buildTab(tab), QLatin1String(tab.caption));
    }
}

} // namespace mervalon::app
