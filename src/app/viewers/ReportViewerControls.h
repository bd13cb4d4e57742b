#pragma once
// The object names of the error report viewer's controls. The names are how tests, the help and
// scripts find the controls; code speaks of a control by its constant here, never by its name.

namespace mervalon::app::ReportViewerControls {

/// The dialog itself.
inline constexpr char window[] = "TForm10";
/// The read-only report.
inline constexpr char reportView[] = "apercu";
inline constexpr char printButton[] = "SpeedButton1";
inline constexpr char closeButton[] = "SpeedButton5";

} // namespace mervalon::app::ReportViewerControls
