#pragma once
// The object names of the progress window's controls (" Processing files ..."). The names are how
// tests, the help and scripts find the controls; code speaks of a control by its constant here, never by
// its name.

namespace mervalon::app::ProgressWindowControls {

/// The window itself.
inline constexpr char window[] = "TForm2";
/// The frame around the picture, the file in work and the bar.
inline constexpr char frame[] = "GroupBox1";
inline constexpr char picture[] = "Image1";
/// The file in work.
inline constexpr char fileLabel[] = "Label1";
inline constexpr char progressBar[] = "ProgressBar1";
/// "File 2 of 3".
inline constexpr char fileCountLabel[] = "Label2";
/// "Stop process".
inline constexpr char stopButton[] = "SpeedButton1";

} // namespace mervalon::app::ProgressWindowControls
