#pragma once
// The object names of the "Data modifiers" dialog's controls. The names are how tests, the help and
// scripts find the controls; code speaks of a control by its constant here, never by its name.

namespace mervalon::app::DataModifiersControls {

/// The dialog itself.
inline constexpr char window[] = "coordsmod";
/// " Renumbering ".
inline constexpr char renumberingGroup[] = "GroupBox1";
inline constexpr char renumberBox[] = "CheckBox2";
/// "Define a new start number", its number and the step.
inline constexpr char newStartButton[] = "RadioButton1";
inline constexpr char startNumberEdit[] = "Edit3";
inline constexpr char stepEdit[] = "Edit1";
/// "Add a value to existing number" and the value.
inline constexpr char addValueButton[] = "RadioButton2";
inline constexpr char addValueEdit[] = "Edit2";
/// " Coordinates modification ".
inline constexpr char coordinatesGroup[] = "GroupBox2";
inline constexpr char modifyBox[] = "CheckBox1";
inline constexpr char xOffsetEdit[] = "Edit4";
inline constexpr char yOffsetEdit[] = "Edit5";
inline constexpr char zOffsetEdit[] = "Edit6";
/// " Z Coordinate option ".
inline constexpr char zOptionGroup[] = "GroupBox3";
inline constexpr char defaultZBox[] = "CheckBox3";
inline constexpr char defaultZEdit[] = "Edit7";
inline constexpr char okButton[] = "BitBtn1";
inline constexpr char cancelButton[] = "BitBtn2";
inline constexpr char helpButton[] = "SpeedButton7";

} // namespace mervalon::app::DataModifiersControls
