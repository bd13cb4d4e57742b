#pragma once
// The object names of the main window's file selection panel: the point files and the destination
// folder. The names are how tests, the help and scripts find the controls; code speaks of a control by
// its constant here, never by its name.

namespace mervalon::app::FileSelectionControls {

/// " Coordinates Files ".
inline constexpr char filesGroup[] = "GroupBox1";
inline constexpr char folderTree[] = "sh1";
inline constexpr char fileList[] = "fl1";
/// The kinds of point file listed ("Text files", ...).
inline constexpr char fileTypeList[] = "typfic";
/// "Modify Extensions list ...".
inline constexpr char extensionsButton[] = "SpeedButton15";
inline constexpr char autoSelectBox[] = "autosel";
/// "3 selected."
inline constexpr char selectedCountLabel[] = "Label3";
/// The folder listed.
inline constexpr char folderPathLabel[] = "Label30";
/// The file list's context menu and its commands.
inline constexpr char fileMenu[] = "PopupMenu1";
inline constexpr char previewAction[] = "Preview1";
inline constexpr char refreshFolderAction[] = "Refreshfolder1";
/// Between the folder tree and the file list.
inline constexpr char splitter[] = "FilesSplitter";
/// " Destination Directory ".
inline constexpr char destinationGroup[] = "GroupBox2";
inline constexpr char destinationEdit[] = "Edit1";
/// The lock: the destination follows the files' folder unless locked.
inline constexpr char lockedButton[] = "SpeedButton1";
inline constexpr char unlockedButton[] = "SpeedButton2";
/// "Browse disk ...".
inline constexpr char browseButton[] = "SpeedButton4";

} // namespace mervalon::app::FileSelectionControls
