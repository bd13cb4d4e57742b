#pragma once
// The object names of the manual window's controls. The names are how tests, the help and scripts
// find the controls; code speaks of a control by its constant here, never by its name.

namespace mervalon::app::ManualWindowControls {

/// The window itself.
inline constexpr char window[] = "ManualWindow";
/// The page shown.
inline constexpr char browser[] = "ManualBrowser";
inline constexpr char backButton[] = "ManualBack";
inline constexpr char forwardButton[] = "ManualForward";
inline constexpr char contentsButton[] = "ManualContents";

} // namespace mervalon::app::ManualWindowControls
