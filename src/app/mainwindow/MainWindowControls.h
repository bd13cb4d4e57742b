#pragma once
// The object names of the main window's own controls (its panels have tables of their own:
// FileSelectionControls, EntityPanelsControls, ConfigurationControls). The names are how tests, the
// help and scripts find the controls; code speaks of a control by its constant here, never by its name.

namespace mervalon::app::MainWindowControls {

/// The window itself.
inline constexpr char window[] = "Form1";
/// The "DXF Creation", "Options" and "About" tabs.
inline constexpr char pages[] = "PageControl1";
inline constexpr char creationPage[] = "TabSheet1";
/// " DXF Entities ": the entity tabs and "Entities order ...".
inline constexpr char entitiesGroup[] = "GroupBox3";
inline constexpr char entitiesOrderButton[] = "Button2";
/// " Coordinates File Format ".
inline constexpr char formatGroup[] = "GroupBox4";
inline constexpr char formatList[] = "format";
inline constexpr char formatEditorButton[] = "SpeedButton14";
inline constexpr char formatDescription[] = "Label33";
inline constexpr char dataModifiersButton[] = "SpeedButton17";
inline constexpr char alwaysPolylineBox[] = "tjrspol";
/// The first tab's column of glyph buttons.
inline constexpr char createButton[] = "BitBtn1";
inline constexpr char exitButton[] = "BitBtn2";
inline constexpr char helpFileButton[] = "BitBtn3";
inline constexpr char lastReportButton[] = "BitBtn10";
inline constexpr char optionsPage[] = "TabSheet7";
/// " Error Report " and " Error Processing "; their buttons are named after the settings
/// they are stored under (platform::keys).
inline constexpr char reportGroup[] = "GroupBox5";
inline constexpr char reportLabel[] = "Label4";
inline constexpr char errorGroup[] = "GroupBox6";
inline constexpr char errorLabel[] = "Label5";
/// " Help ".
inline constexpr char helpGroup[] = "GroupBox7";
inline constexpr char hintsBox[] = "CheckBox1";
inline constexpr char activeHelpBox[] = "CheckBox3";
/// " Coordinates file Preview and Error Report ".
inline constexpr char viewerGroup[] = "GroupBox8";
inline constexpr char internalViewerButton[] = "RadioButton13";
inline constexpr char textEditorButton[] = "RadioButton14";
/// The options tab's column: its "Create" never runs.
inline constexpr char optionsCreateButton[] = "BitBtn4";
inline constexpr char optionsExitButton[] = "BitBtn11";
inline constexpr char optionsHelpFileButton[] = "BitBtn6";
inline constexpr char optionsLastReportButton[] = "BitBtn5";
inline constexpr char aboutPage[] = "TabSheet10";
inline constexpr char versionLabel[] = "Label20";
/// The about tab's column: its "Create" never runs.
inline constexpr char aboutCreateButton[] = "BitBtn7";
inline constexpr char aboutExitButton[] = "BitBtn12";
inline constexpr char aboutHelpFileButton[] = "BitBtn9";
inline constexpr char aboutLastReportButton[] = "BitBtn8";

} // namespace mervalon::app::MainWindowControls
