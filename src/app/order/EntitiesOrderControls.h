#pragma once
// The object names of the "Entities order" dialog's controls. The names are how tests, the help and
// scripts find the controls; code speaks of a control by its constant here, never by its name.

#include <array>
#include <cstddef>

namespace mervalon::app::EntitiesOrderControls {

/// The dialog itself.
inline constexpr char window[] = "crebloc";
/// " Entities position ": the drawing of the five places and their lists.
inline constexpr char positionGroup[] = "GroupBox1";
/// " Distance from point ".
inline constexpr char distanceGroup[] = "GroupBox2";
inline constexpr char distanceEdit[] = "Edit1";
inline constexpr char okButton[] = "SpeedButton5";
inline constexpr char cancelButton[] = "SpeedButton6";
inline constexpr char helpButton[] = "SpeedButton7";

/// The number (1 to 5) beside each place's list, by place (0 the first).
inline constexpr std::array<const char*, 5> kPlaceLabels = {"Label2", "Label3", "Label4", "Label5", "Label6"};
/// The list choosing what a place holds, by place (0 the first).
inline constexpr std::array<const char*, 5> kPlaceLists = {"cb0", "cb1", "cb2", "cb3", "cb4"};

constexpr const char* placeLabel(std::size_t place)
{
    return kPlaceLabels.at(place);
}

constexpr const char* placeList(std::size_t place)
{
    return kPlaceLists.at(place);
}

} // namespace mervalon::app::EntitiesOrderControls
