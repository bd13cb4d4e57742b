#pragma once
// The object names of the configuration strip at the foot of the main window: loading and saving a
// configuration file and the name of the one in use. The names are how tests, the help and scripts find
// the controls; code speaks of a control by its constant here, never by its name.

namespace mervalon::app::ConfigurationControls {

inline constexpr char loadButton[] = "SpeedButton12";
inline constexpr char saveButton[] = "SpeedButton13";
/// "Configuration file in use: " and the file's name.
inline constexpr char inUseLabel[] = "Label27";
inline constexpr char nameLabel[] = "Label19";

} // namespace mervalon::app::ConfigurationControls
