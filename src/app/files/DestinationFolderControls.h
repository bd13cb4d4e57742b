#pragma once
// The object names of the destination folder dialog's controls. The names are how tests, the help
// and scripts find the controls; code speaks of a control by its constant here, never by its name.

namespace mervalon::app::DestinationFolderControls {

/// The dialog itself.
inline constexpr char window[] = "TForm3";
inline constexpr char heading[] = "Label2";
inline constexpr char folderTree[] = "ShellTreeView1";
/// The folder chosen.
inline constexpr char pathLabel[] = "Label1";
inline constexpr char selectButton[] = "SpeedButton1";
inline constexpr char cancelButton[] = "SpeedButton2";
inline constexpr char newFolderButton[] = "NewFolderButton";
/// The prompt for the new folder's name.
inline constexpr char newFolderPrompt[] = "NewFolderPrompt";

} // namespace mervalon::app::DestinationFolderControls
