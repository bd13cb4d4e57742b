#pragma once
// The object names of the "Files extension list" dialog's controls. The names are how tests, the
// help and scripts find the controls; code speaks of a control by its constant here, never by its name.

namespace mervalon::app::ExtensionListControls {

/// The dialog itself.
inline constexpr char window[] = "TForm9";
inline constexpr char heading[] = "Label3";
/// The names of the entries.
inline constexpr char entryList[] = "ListBox1";
/// The chosen entry's name and its extensions.
inline constexpr char nameEdit[] = "Edit1";
inline constexpr char extensionsEdit[] = "Edit2";
inline constexpr char nameLabel[] = "Label1";
inline constexpr char extensionsLabel[] = "Label2";
inline constexpr char newButton[] = "SpeedButton1";
inline constexpr char applyButton[] = "SpeedButton5";
inline constexpr char deleteButton[] = "SpeedButton6";
inline constexpr char closeButton[] = "SpeedButton2";
inline constexpr char helpButton[] = "SpeedButton7";

} // namespace mervalon::app::ExtensionListControls
