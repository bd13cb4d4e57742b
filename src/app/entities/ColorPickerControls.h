#pragma once
// The object names of the colour picker's controls (" Color selection"). The names are how tests,
// the help and scripts find the controls; code speaks of a control by its constant here, never by its
// name.

#include <array>
#include <cstddef>

namespace mervalon::app::ColorPickerControls {

/// The dialog itself.
inline constexpr char window[] = "TForm4";
inline constexpr char hint[] = "Label2";
/// "Color number:" and its box.
inline constexpr char numberLabel[] = "Label1";
inline constexpr char numberEdit[] = "Edit1";

/// The swatches of colours 1 to 9, by colour number less one.
inline constexpr std::array<const char*, 9> kSwatches = {"Panel2", "Panel1", "Panel3", "Panel4", "Panel5",
                                                         "Panel6", "Panel7", "Panel8", "Panel9"};

/// The swatch of colour `number` (1 to 9).
constexpr const char* swatch(int number)
{
    return kSwatches.at(static_cast<std::size_t>(number - 1));
}

} // namespace mervalon::app::ColorPickerControls
