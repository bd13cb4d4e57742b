#include "app/entities/EntityPanels.h"

#include "app/common/FieldCheck.h"
#include "app/common/TextConversions.h"
#include "app/common/WidgetHelpers.h"
#include "app/entities/ColorPicker.h"
#include "app/entities/EntityPanelsControls.h"
#include "app/shell/Interaction.h"
#include "core/engine/DxfWriter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QToolButton>

namespace mervalon::app {
namespace {

using config::Configuration;
using config::EntityKind;
using config::EntityKindInfo;

// What a tab shows besides its controls' names (EntityPanelsControls has those).
struct EntityTabFields {
    const char* caption;
    const char* checkCaption;
    const char* layerLabel;
};

// One tab per kind, in the order of config::kEntityKinds.
constexpr EntityTabFields kTabs[config::kEntityKindCount] = {
    {"Point", "Create Point.", "In layer:"},
    {"Number", "Create Number.", "In layer:"},
    {"X Coord.", "Create X (East) coordinate.", "Layer:"},
    {"Y Coord.", "Create Y (North) coordinate.", "Layer:"},
    {"Elevation", "Create Elevation.", "Layer:"},
    {"Description", "Create Description.", "In layer:"},
    {"Polyline", "Create Polyline.", "In layer:"},
};

const EntityTabFields& tabFields(EntityKind kind)
{
    return kTabs[config::entityIndex(kind)];
}

constexpr auto kHeightCapacity = static_cast<qsizetype>(config::kTextHeightCapacity);
constexpr auto kLayerCapacity = static_cast<qsizetype>(config::kLayerNameCapacity);

/// The tab icons: a green mark for a created entity (image 0), a grey ring for one that is not.
QIcon stateIcon(bool created)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (created) {
        painter.setPen(QPen(QColor(0, 110, 0), 1));
        painter.setBrush(QColor(40, 170, 40));
    } else {
        painter.setPen(QPen(QColor(130, 130, 130), 1.5));
        painter.setBrush(Qt::NoBrush);
    }
    painter.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    return QIcon(pixmap);
}

std::string cut(const QString& text, qsizetype capacity)
{
    return toText(text.left(capacity));
}

} // namespace

EntityPanels::EntityPanels(Interaction& interaction, QWidget* parent)
    : MultiRowTabStrip(4, parent), m_interaction(interaction)
{
    setObjectName(QLatin1String(EntityPanelsControls::tabs));
    m_picker = new ColorPickerDialog(interaction, this);
    for (const EntityKindInfo& kind : config::kEntityKinds) {
        buildTab(kind.kind);
        setTabIcon(entityTab(kind.kind), stateIcon(false));
    }
}

EntityPanels::~EntityPanels() = default;

void EntityPanels::buildTab(EntityKind kind)
{
    const EntityTabFields& fields = tabFields(kind);
    const EntityPanelsControls::TabNames& names = EntityPanelsControls::tabNames(kind);
    Tab& tab = m_tabs[config::entityIndex(kind)];
    auto* page = named(new QWidget, names.page);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setVerticalSpacing(4);
    int row = 0;

    tab.create = named(new QCheckBox(QLatin1String(fields.checkCaption), page), names.createBox);
    QFont bold = tab.create->font();
    bold.setBold(true);
    tab.create->setFont(bold);
    grid->addWidget(tab.create, row++, 0, 1, 3);

    tab.flat = named(new QRadioButton(QStringLiteral("2D"), page), names.flatButton);
    tab.flat->setToolTip(QStringLiteral("Use 2D (z=0) coordinates"));
    tab.raised = named(new QRadioButton(QStringLiteral("3D"), page), names.spatialButton);
    tab.raised->setToolTip(QStringLiteral("Use 3D coordinates"));
    auto* pair = new QButtonGroup(page);
    pair->addButton(tab.flat);
    pair->addButton(tab.raised);
    auto* pairRow = new QHBoxLayout;
    pairRow->addWidget(tab.flat);
    pairRow->addWidget(tab.raised);
    pairRow->addStretch();
    grid->addLayout(pairRow, row++, 0, 1, 3);

    if (names.heightEdit != nullptr) {
        tab.height = named(new QLineEdit(page), names.heightEdit);
        tab.height->setToolTip(QStringLiteral("Enter a decimal value"));
        grid->addWidget(new QLabel(QStringLiteral("Text height:"), page), row, 0);
        grid->addWidget(tab.height, row++, 1, 1, 2);
        FieldCheck::watch(*tab.height, m_interaction, &EntityPanels::heightRefusal);
    }
    if (names.precisionList != nullptr) {
        tab.precision = named(new QComboBox(page), names.precisionList);
        tab.precision->setEditable(true);
        tab.precision->setInsertPolicy(QComboBox::NoInsert);
        tab.precision->setToolTip(QStringLiteral("Select number of decimals"));
        tab.precision->addItems({"0", "0.0", "0.00", "0.000", "0.0000", "0.00000"});
        tab.precision->setCurrentIndex(-1);
        grid->addWidget(new QLabel(QStringLiteral("Precision:"), page), row, 0);
        grid->addWidget(tab.precision, row++, 1, 1, 2);
    }
    tab.layer = named(new QLineEdit(page), names.layerEdit);
    tab.layer->setToolTip(QStringLiteral("Enter a Layer name."));
    grid->addWidget(new QLabel(QLatin1String(fields.layerLabel), page), row, 0);
    grid->addWidget(tab.layer, row++, 1, 1, 2);
    FieldCheck::watch(*tab.layer, m_interaction, &EntityPanels::layerRefusal);

    tab.color = named(new ColorPanel(page), names.colorPanel);
    tab.color->setMinimumWidth(tab.color->fontMetrics().horizontalAdvance(QStringLiteral("Light Grey")) + 12);
    tab.colorButton = named(new QToolButton(page), names.colorButton);
    tab.colorButton->setText(QStringLiteral("..."));
    tab.colorButton->setToolTip(QStringLiteral("Click to select a color."));
    grid->addWidget(new QLabel(QStringLiteral("Layer color:"), page), row, 0);
    grid->addWidget(tab.color, row, 1);
    grid->addWidget(tab.colorButton, row++, 2);
    connect(tab.colorButton, &QToolButton::clicked, this,
            [this, &tab] { m_picker->pickFor(*tab.color, *tab.colorButton); });

    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    addTab(page, QLatin1String(fields.caption));
    connect(tab.create, &QCheckBox::clicked, this, [this, kind] { applyEnablingRule(kind); });
}

void EntityPanels::showFlat(const Tab& tab, bool flat)
{
    tab.flat->setChecked(flat);
    tab.raised->setChecked(!flat);
}

void EntityPanels::showConfiguration(const Configuration& configuration)
{
    for (const EntityKindInfo& kind : config::kEntityKinds) {
        showFlat(tab(kind.kind), configuration.entity(kind.kind).flat != 0);
    }
    for (const EntityKindInfo& kind : config::kEntityKinds) {
        const config::EntitySettings& entity = configuration.entity(kind.kind);
        const Tab& tab = this->tab(kind.kind);
        // A create byte other than 0 or 1 (written by another tool) is read as the conversion
        // reads it: only 1 creates, so the window never shows checked what a run would not draw.
        tab.create->setChecked(engine::isCreateFlagSet(entity.create));
        if (tab.height != nullptr) {
            tab.height->setText(fromText(entity.height));
        }
        if (tab.precision != nullptr) {
            // An index outside the six items selects none, as an empty choice would.
            tab.precision->setCurrentIndex(precisionItem(entity.decimals, tab.precision->count()));
        }
        tab.layer->setText(fromText(entity.layer));
        tab.color->showColorNumber(entity.color);
    }
}

void EntityPanels::captureConfiguration(Configuration& configuration) const
{
    for (const EntityKindInfo& kind : config::kEntityKinds) {
        config::EntitySettings& entity = configuration.entity(kind.kind);
        const Tab& tab = this->tab(kind.kind);
        entity.create = tab.create->isChecked() ? 1 : 0;
        entity.flat = tab.flat->isChecked() ? 1 : 0;
        if (tab.height != nullptr) {
            entity.height = cut(tab.height->text(), kHeightCapacity);
        }
        if (tab.precision != nullptr) {
            entity.decimals = tab.precision->currentIndex();
        }
        entity.layer = cut(tab.layer->text(), kLayerCapacity);
        entity.color = tab.color->colorNumber();
    }
}

void EntityPanels::applyEnablingRule(EntityKind kind)
{
    const int index = entityTab(kind);
    const Tab& t = tab(kind);
    const bool created = t.create->isChecked();
    const EntityTabEnabling enabling = entityTabEnabling(kind, created, isTabVisible(entityTab(EntityKind::Elevation)));
    for (QWidget* child : widget(index)->findChildren<QWidget*>()) {
        child->setEnabled(enabling.controls);
    }
    t.create->setEnabled(true);
    t.raised->setEnabled(enabling.spatialButton);
    setTabIcon(index, stateIcon(created));
    if (!created) {
        return;
    }
    EntityTabValues values;
    values.height = t.height != nullptr ? t.height->text() : QString();
    values.layer = t.layer->text();
    values.precision = t.precision != nullptr ? t.precision->currentIndex() : -1;
    values.color = t.color->colorNumber();
    const EntityTabValues filled = filledOnSwitchingOn(kind, values);
    if (t.height != nullptr && filled.height != values.height) {
        t.height->setText(filled.height);
    }
    if (filled.layer != values.layer) {
        t.layer->setText(filled.layer);
    }
    if (t.precision != nullptr && filled.precision != values.precision) {
        t.precision->setCurrentIndex(filled.precision);
    }
    if (filled.color != values.color) {
        t.color->showColorNumber(filled.color);
    }
}

void EntityPanels::applyEnablingRules()
{
    for (const EntityKindInfo& kind : config::kEntityKinds) {
        applyEnablingRule(kind.kind);
    }
}

void EntityPanels::updateNumberAndElevationTabs(const formats::FormatDefinition& format,
                                                const config::DataModifiers& modifiers)
{
    const EntityTabVisibility visibility = entityTabVisibility(format, modifiers);
    setTabVisible(entityTab(EntityKind::Number), visibility.number);
    setTabVisible(entityTab(EntityKind::Elevation), visibility.elevation);
}

void EntityPanels::updateEntityTabsForFormat(const formats::FormatDefinition& format,
                                             const config::DataModifiers& modifiers)
{
    const EntityTabVisibility visibility = entityTabVisibility(format, modifiers);
    for (const EntityKindInfo& kind : config::kEntityKinds) {
        setTabVisible(entityTab(kind.kind), visibility.shows(kind.kind));
    }
    for (const EntityKindInfo& kind : config::kEntityKinds) {
        if (kind.kind == EntityKind::Elevation) {
            continue; // its own buttons follow only its create box
        }
        const Tab& t = tab(kind.kind);
        t.raised->setEnabled(entityTabEnabling(kind.kind, t.create->isChecked(), visibility.elevation).spatialButton);
        if (!visibility.elevation) {
            t.flat->setChecked(true); // nothing to raise the points to
        }
    }
}

std::array<bool, 5> EntityPanels::offeredTexts() const
{
    constexpr std::array<EntityKind, 5> texts = {EntityKind::Number, EntityKind::X, EntityKind::Y,
                                                 EntityKind::Elevation, EntityKind::Description};
    std::array<bool, 5> offered{};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        offered[i] = entityTabIsUsed(tab(texts[i]).create->isChecked(), isTabVisible(entityTab(texts[i])));
    }
    return offered;
}

std::optional<QString> EntityPanels::heightRefusal(QLineEdit& edit)
{
    if (const std::optional<QString> height = normalisedHeight(edit.text())) {
        if (*height != edit.text()) {
            edit.setText(*height);
        }
        return std::nullopt;
    }
    return kBadHeight;
}

std::optional<QString> EntityPanels::layerRefusal(QLineEdit& edit)
{
    const QString name = trimmedLayerName(edit.text());
    if (name != edit.text()) {
        edit.setText(name);
    }
    if (isValidLayerName(name)) {
        return std::nullopt;
    }
    return kBadLayerName;
}

bool EntityPanels::checkFields()
{
    for (const EntityKindInfo& kind : config::kEntityKinds) {
        const Tab& t = tab(kind.kind);
        if (!entityTabIsUsed(t.create->isChecked(), isTabVisible(entityTab(kind.kind)))) {
            continue; // its values are not used
        }
        for (QLineEdit* edit : {t.height, t.layer}) {
            if (FieldCheck* check = edit != nullptr ? FieldCheck::of(*edit) : nullptr;
                check != nullptr && !check->check(FieldCheck::Rewrite::No)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace mervalon::app
