#pragma once
// The symbol library: small DXF files in the installation's "symbols" folder, each holding one
// block definition named like the file (TREE.dxf holds the block TREE). A drawing that uses a
// symbol gets its block in the BLOCKS section and an INSERT at each point of the code.

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace mervalon::codes {

/// The installation's folders of code libraries and symbols.
inline constexpr const char* kCodesFolder = "codes";
inline constexpr const char* kSymbolsFolder = "symbols";
inline constexpr const char* kCodeLibrarySuffix = ".csv";

/// A symbol file that holds no usable block. The message names the file and the fault.
class SymbolFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// The tags of the attributes each symbol carries, in the order the INSERT's ATTRIBs follow.
inline constexpr std::string_view kAttributeTags[] = {"NUMBER", "ELEVATION", "DESCRIPTION"};

/// The block definition of `name` from a symbol file's content, as written into a drawing's
/// BLOCKS section (from BLOCK to ENDBLK, lines ended by CR LF): the file's entities without
/// handles and attribute definitions, then invisible definitions of kAttributeTags. Throws
/// SymbolFileError when the content is no DXF of group pairs or holds no block.
std::string blockDefinition(std::string_view name, std::string_view content, const std::string& fileName);

/// What a symbol's block draws, for showing it: its lines (an arc or a light-weight polyline as
/// the segments between its points) and its circles, in the block's own units.
struct SymbolShapes {
    struct Segment {
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    };
    struct Circle {
        double x = 0, y = 0, radius = 0;
    };
    std::vector<Segment> segments;
    std::vector<Circle> circles;
};

/// The shapes of the block in a symbol file's content (LINE, CIRCLE, ARC, LWPOLYLINE; other
/// entities are not shown). Throws SymbolFileError as blockDefinition does.
SymbolShapes symbolShapes(std::string_view content, const std::string& fileName);

class SymbolLibrary {
  public:
    /// The symbols of `folder`: every "*.dxf" file, named by its stem upper-cased. A folder that
    /// does not exist holds none.
    static SymbolLibrary inFolder(const std::filesystem::path& folder);

    [[nodiscard]] bool contains(std::string_view name) const;

    /// The file of the symbol `name`; empty when there is none.
    [[nodiscard]] std::filesystem::path file(std::string_view name) const;

    /// The symbols' names, upper-cased, in order.
    [[nodiscard]] std::vector<std::string> names() const;

    /// Reads the block definitions of `names`. Throws SymbolFileError (or std::system_error when
    /// a file cannot be read).
    [[nodiscard]] std::map<std::string, std::string> definitions(const std::vector<std::string>& names) const;

  private:
    std::map<std::string, std::filesystem::path> m_files;
};

} // namespace mervalon::codes
