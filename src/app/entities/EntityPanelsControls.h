#pragma once
// The object names of the entity tabs in the main window: one tab per entity kind, each with the
// same controls under names of its own. The names are how tests, the help and scripts find the
// controls; code speaks of a control by the functions here, never by its name.

#include "core/config/EntityKind.h"

namespace mervalon::app::EntityPanelsControls {

/// The strip of tabs itself.
inline constexpr char tabs[] = "pagecontrol2";

/// The names of one kind's tab and its controls; nullptr where the kind has no such control
/// (a height for texts only, a precision for coordinate texts only).
struct TabNames {
    const char* page;
    const char* createBox;
    const char* flatButton;    // "2D"
    const char* spatialButton; // "3D"
    const char* heightEdit;
    const char* precisionList;
    const char* layerEdit;
    const char* colorPanel;
    const char* colorButton;
};

/// By kind, in the order of config::kEntityKinds.
inline constexpr TabNames kTabNames[config::kEntityKindCount] = {
    {"TabSheet2", "pt_cr", "rb1", "rb2", nullptr, nullptr, "pt_la", "Panel1", "SpeedButton3"},
    {"TabSheet3", "nb_cr", "RadioButton3", "RadioButton4", "Edit2", nullptr, "Edit4", "Panel2", "SpeedButton5"},
    {"TabSheet8", "x_cr", "RadioButton5", "RadioButton6", "Edit5", "ComboBox1", "Edit6", "Panel6", "SpeedButton9"},
    {"TabSheet9", "y_cr", "RadioButton7", "RadioButton8", "Edit7", "ComboBox2", "Edit8", "Panel7", "SpeedButton10"},
    {"TabSheet4", "el_cr", "RadioButton9", "RadioButton10", "Edit9", "ComboBox3", "Edit10", "Panel3", "SpeedButton6"},
    {"TabSheet5", "de_cr", "RadioButton11", "RadioButton12", "Edit12", nullptr, "Edit13", "Panel4", "SpeedButton7"},
    {"TabSheet6", "po_cr", "RadioButton1", "RadioButton2", nullptr, nullptr, "Edit16", "Panel5", "SpeedButton8"},
};

constexpr const TabNames& tabNames(config::EntityKind kind)
{
    return kTabNames[config::entityIndex(kind)];
}

constexpr const char* page(config::EntityKind kind)
{
    return tabNames(kind).page;
}
constexpr const char* createBox(config::EntityKind kind)
{
    return tabNames(kind).createBox;
}
constexpr const char* flatButton(config::EntityKind kind)
{
    return tabNames(kind).flatButton;
}
constexpr const char* spatialButton(config::EntityKind kind)
{
    return tabNames(kind).spatialButton;
}
constexpr const char* heightEdit(config::EntityKind kind)
{
    return tabNames(kind).heightEdit;
}
constexpr const char* precisionList(config::EntityKind kind)
{
    return tabNames(kind).precisionList;
}
constexpr const char* layerEdit(config::EntityKind kind)
{
    return tabNames(kind).layerEdit;
}
constexpr const char* colorPanel(config::EntityKind kind)
{
    return tabNames(kind).colorPanel;
}
constexpr const char* colorButton(config::EntityKind kind)
{
    return tabNames(kind).colorButton;
}

// Every kind has its tab, with a height field exactly when the kind has a height and a precision
// exactly when it has decimals.
constexpr bool tabsMatchTheKinds()
{
    for (const config::EntityKindInfo& kind : config::kEntityKinds) {
        const TabNames& names = tabNames(kind.kind);
        if (names.page == nullptr || (names.heightEdit != nullptr) != kind.hasHeight ||
            (names.precisionList != nullptr) != kind.hasDecimals) {
            return false;
        }
    }
    return true;
}
static_assert(tabsMatchTheKinds(), "every entity kind needs its names in kTabNames");

} // namespace mervalon::app::EntityPanelsControls
