#pragma once
// The object names of the text viewer's controls. The names are how tests, the help and scripts
// find the controls; code speaks of a control by its constant here, never by its name.

namespace mervalon::app::TextViewerControls {

/// The dialog itself.
inline constexpr char window[] = "TForm8";
/// The white band at the top and its heading.
inline constexpr char headerBand[] = "Panel2";
inline constexpr char heading[] = "Label9";
/// The path of the file shown.
inline constexpr char pathLabel[] = "Label1";
/// The numbered editor of the file's lines.
inline constexpr char editor[] = "apercu";
/// "4 lines.", and "Saved." after a save.
inline constexpr char lineCountLabel[] = "Label2";
inline constexpr char saveButton[] = "BitBtn1";
inline constexpr char closeButton[] = "BitBtn2";
/// "Go to line".
inline constexpr char goToLineField[] = "GoToLine";

} // namespace mervalon::app::TextViewerControls
