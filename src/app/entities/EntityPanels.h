#pragma once
// The tabbed panel of the " DXF Entities " group (pagecontrol2): one tab per kind of entity
// with its create box, 2D/3D pair, text height, precision, layer and layer colour. It shows and
// captures the entity fields of the configuration, keeps each tab's controls enabled with its
// create box, normalises typed heights, checks layer names, and shows only the tabs that the
// chosen format can feed.

#include "app/common/MultiRowTabStrip.h"
#include "app/configuration/ConfigurationView.h"
#include "app/entities/EntityRules.h"

#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace mervalon::app {

class ColorPanel;
class ColorPickerDialog;
class Interaction;

class EntityPanels : public MultiRowTabStrip, public ConfigurationPart {
    Q_OBJECT
  public:
    explicit EntityPanels(Interaction& interaction, QWidget* parent = nullptr);
    ~EntityPanels() override;

    void showConfiguration(const config::Configuration& configuration) override;
    void captureConfiguration(config::Configuration& configuration) const override;

    /// The enabling rule of one tab, as a click on its create box runs it.
    void applyEnablingRule(config::EntityKind kind);
    /// The enabling rule of every tab, in the order of the kinds.
    void applyEnablingRules();

    /// Shows the tabs the format can feed and decides which "3D" buttons can be chosen: without
    /// an elevation the six others are held at "2D".
    void updateEntityTabsForFormat(const formats::FormatDefinition& format, const config::DataModifiers& modifiers);
    /// Shows or hides the "Number" and "Elevation" tabs alone, leaving the "3D" buttons.
    void updateNumberAndElevationTabs(const formats::FormatDefinition& format, const config::DataModifiers& modifiers);

    /// Which of the five texts (number, X, Y, elevation, description) are created on a shown tab.
    [[nodiscard]] std::array<bool, 5> offeredTexts() const;

    [[nodiscard]] ColorPickerDialog& colorPicker() const { return *m_picker; }

    /// Checks the text height and layer name of every created entity on a shown tab, as leaving
    /// each field would: the first refused one gives its message and takes the focus; false then.
    bool checkFields();

    static inline const QString kBadLayerName =
        QStringLiteral("Error, invalid characters in Layer Name or Name length greater than 31 characters.");
    static inline const QString kBadHeight =
        QStringLiteral("Error, the text height must be a number written with the decimal point, e.g. 1.000.");

  private:
    struct Tab {
        QCheckBox* create = nullptr;
        QRadioButton* flat = nullptr;
        QRadioButton* raised = nullptr;
        QLineEdit* height = nullptr;
        QComboBox* precision = nullptr;
        QLineEdit* layer = nullptr;
        ColorPanel* color = nullptr;
        QToolButton* colorButton = nullptr;
    };

    void buildTab(config::EntityKind kind);
    static std::optional<QString> heightRefusal(QLineEdit& edit);
    static std::optional<QString> layerRefusal(QLineEdit& edit);
    void showFlat(const Tab& tab, bool flat);
    [[nodiscard]] const Tab& tab(config::EntityKind kind) const { return m_tabs[config::entityIndex(kind)]; }

    Interaction& m_interaction;
    ColorPickerDialog* m_picker = nullptr;
    std::array<Tab, config::kEntityKindCount> m_tabs{};
};

} // namespace mervalon::app
