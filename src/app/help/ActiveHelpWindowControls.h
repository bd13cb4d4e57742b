#pragma once
// The object names of the Active Help window and its page. The names are how tests, the help and
// scripts find the controls; code speaks of a control by its constant here, never by its name.

namespace mervalon::app::ActiveHelpWindowControls {

/// The window itself.
inline constexpr char window[] = "TFormAide";
/// The page of the topic under the mouse.
inline constexpr char browser[] = "WebBrowser1";

} // namespace mervalon::app::ActiveHelpWindowControls
