#pragma once

#include <string_view>

namespace mervalon::engine {

/// The values of one accepted line. They are views: of the line's fields (valid while its
/// batch is), of the format's texts, or of texts the conversion made (a new number, shifted
/// coordinates), so that taking a value copies nothing.
struct CoordinatePoint {
    std::string_view number;       ///< prefix removed, after renumbering
    std::string_view numberAsRead; ///< as read, prefix included (or prefix + new number)
    std::string_view x;
    std::string_view y;
    std::string_view z;           ///< empty when the point has no Z
    std::string_view description; ///< "@" when the line has no description field
    std::string_view code;
};

} // namespace mervalon::engine
