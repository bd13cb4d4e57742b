#pragma once

#include <string>

namespace mervalon::engine {

/// The values of one accepted line, all held as texts.
struct CoordinatePoint {
    std::string number;       ///< prefix removed, after renumbering
    std::string numberAsRead; ///< as read, prefix included (or prefix + new number)
    std::string x;
    std::string y;
    std::string z;            ///< empty when the point has no Z
    std::string description;  ///< "@" when the line has no description field
    std::string code;
};

} // namespace mervalon::engine
