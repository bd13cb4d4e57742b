#pragma once
// The format record: how one kind of coordinate file is read. One record per
// "<name>.rpf" file, 632 bytes, every field at a fixed offset.

#include <array>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace mervalon::formats {

/// The six values of a point, in the order every record and loop uses.
enum class PointValue { Number = 0, X, Y, Z, Description, Code };
inline constexpr std::array<PointValue, 6> kPointValues = {
    PointValue::Number, PointValue::X, PointValue::Y, PointValue::Z, PointValue::Description, PointValue::Code};

/// The field name of a value in record sources: "number" for numberColumn, numberPrefix and
/// keepNumberPrefix.
constexpr std::string_view pointValueSourceName(PointValue value)
{
    constexpr std::array<std::string_view, kPointValues.size()> names = {"number", "x",           "y",
                                                                         "z",      "description", "code"};
    return names[static_cast<std::size_t>(value)];
}

/// Where one value of a point stands in the file's lines: its column (1-based; 0 when the file
/// does not hold it), the text written before it and whether that text is kept with the value.
struct ValueColumn {
    std::int32_t column = 0;
    std::string prefix;
    std::uint8_t keepPrefix = 0; // kept as stored; any byte but 0 keeps

    bool operator==(const ValueColumn&) const = default;
};

struct FormatDefinition {
    static constexpr std::size_t kSize = 632;

    std::uint8_t isExcel = 0;
    std::string name;        // capacity 60
    std::string description; // capacity 200
    /// How each value of a point is read, indexed by PointValue.
    std::array<ValueColumn, kPointValues.size()> values{};
    std::uint8_t otherSeparator = 0;
    std::string separator;       // capacity 1
    std::string newPolylineCode; // codes: capacity 30 each
    std::string drawPolylineCode;
    std::string endPolylineCode;
    std::int32_t firstLine = 0;
    std::uint8_t sheetByNumber = 0;
    std::string sheet; // capacity 50

    [[nodiscard]] ValueColumn& value(PointValue value) { return values[static_cast<std::size_t>(value)]; }
    [[nodiscard]] const ValueColumn& value(PointValue value) const { return values[static_cast<std::size_t>(value)]; }

    [[nodiscard]] std::int32_t column(PointValue value) const;
    [[nodiscard]] const std::string& prefix(PointValue value) const;
    [[nodiscard]] bool keepsPrefix(PointValue value) const;
    void setColumn(PointValue value, std::int32_t column);
    void setPrefix(PointValue value, std::string prefix);
    void setKeepsPrefix(PointValue value, bool keep);

    bool operator==(const FormatDefinition&) const = default;
};

using FormatBytes = std::array<std::uint8_t, FormatDefinition::kSize>;

/// Builds the 632 stored bytes in a zero-filled buffer; texts longer than their capacity are cut.
FormatBytes encodeFormat(const FormatDefinition& format);

/// Decodes stored bytes. Fewer than 632 bytes are padded with zeros; extra bytes are ignored.
FormatDefinition decodeFormat(const std::vector<std::uint8_t>& bytes);

/// Thrown by loadFormatFile for a file too short to hold a whole record; the message names it.
class NotAFormat : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Path of the file that holds the format called `name`.
std::filesystem::path formatFilePath(const std::filesystem::path& installDir, const std::string& name);

/// Reads "<installDir>/formats/<name>.rpf". Throws std::system_error (with the system's
/// error text) when the file cannot be opened or read, and NotAFormat when it holds fewer
/// than 632 bytes (bytes beyond the record are ignored).
FormatDefinition loadFormatFile(const std::filesystem::path& installDir, const std::string& name);

/// Creates or truncates "<installDir>/formats/<name>.rpf" and writes the record. The file name
/// comes from `name`, not from the record. Throws std::system_error when the file cannot be
/// created or completely written.
void saveFormatFile(const std::filesystem::path& installDir, const FormatDefinition& format, const std::string& name);

} // namespace mervalon::formats
