#pragma once
// Every value of the settings store, declared once with its kind and the value a new
// installation starts with. Code names a value through these constants, never by a literal.

#include <array>
#include <string_view>

namespace mervalon::platform {

/// A Boolean value, stored as the integer 0 or 1.
struct BoolKey {
    std::string_view name;
    bool initial;
};

/// A text value; an absent one reads as empty.
struct TextKey {
    std::string_view name;
};

namespace keys {

inline constexpr TextKey installPath{"installpath"};

// What a faulty line does; exactly one of the three is kept true.
inline constexpr BoolKey skipLine{"er1", true};
inline constexpr BoolKey abortFile{"er2", false};
inline constexpr BoolKey abortProcess{"er3", false};
inline constexpr std::array<BoolKey, 3> errorPolicy{skipLine, abortFile, abortProcess};

// When the report is shown after a run; exactly one of the three is kept true.
inline constexpr BoolKey reportAlways{"rep1", false};
inline constexpr BoolKey reportOnErrors{"rep2", true};
inline constexpr BoolKey reportNever{"rep3", false};
inline constexpr std::array<BoolKey, 3> reportPolicy{reportAlways, reportOnErrors, reportNever};

inline constexpr BoolKey showHints{"shint", true};
inline constexpr BoolKey activeHelp{"achelp", false};
inline constexpr BoolKey internalViewer{"useiviewer", true};
inline constexpr BoolKey destinationLocked{"locked", true};

/// The folder last shown in the folder tree, and the last destination folder; a new
/// installation starts both at the user's home folder.
inline constexpr TextKey lastInputFolder{"lastpath"};
inline constexpr TextKey lastDestination{"lastpath2"};

/// The Boolean values an installation writes, in the order it writes them.
inline constexpr std::array<BoolKey, 10> allBooleans{skipLine,       abortFile,        abortProcess, reportAlways,
                                                     reportOnErrors, reportNever,      showHints,    activeHelp,
                                                     internalViewer, destinationLocked};

} // namespace keys
} // namespace mervalon::platform
