#pragma once
// Reading the codes of one point: its code text is split at blanks; each word is a feature code
// or a control word acting on the feature code before it, and the comment word ends the codes.

#include "core/codes/CodeLibrary.h"

#include <string>
#include <string_view>
#include <vector>

namespace mervalon::codes {

/// One feature code of a point, with the controls that followed it.
struct FeatureUse {
    std::string token;            ///< as written
    const CodeRow* row = nullptr; ///< its row (the "*" row for an unknown code); null: no row at all
    std::string feature;          ///< the code the line belongs to (upper-cased, without an instance number)
    std::string instance;         ///< the instance's digits ("" when the code has none)
    bool unknown = false;         ///< no exact row and no pattern: counted in the report
    std::uint8_t controls = 0;    ///< bits 1 << Control

    [[nodiscard]] bool has(Control control) const { return (controls & (1U << static_cast<unsigned>(control))) != 0; }
};

struct PointCodes {
    std::vector<FeatureUse> features;       ///< in the order written; the first decides how the point is drawn
    std::vector<std::string> strayControls; ///< control words before any feature code
};

/// Reads `text` with `library`. A word that matches no row exactly and ends in digits is the code
/// before the digits with an instance number, when that code has a row (exact or pattern):
/// "EP1" and "EP2" are two lines of feature EP.
PointCodes readPointCodes(const CodeLibrary& library, std::string_view text);

} // namespace mervalon::codes
