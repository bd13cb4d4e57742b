#include "core/formats/FormatDefinition.h"

#include "core/config/InstallationLayout.h"
#include "core/config/RecordCodec.h"
#include "core/io/FileIo.h"

#include <algorithm>

namespace mervalon::formats {
namespace {

using namespace mervalon::config;

// Offsets of the stored record.
constexpr std::size_t kIsExcel = 0;
constexpr std::size_t kName = 1;
constexpr std::size_t kDescription = 62;
constexpr std::size_t kColumns = 264;   // six Int32, number..code
constexpr std::size_t kPrefixes = 288;  // six string[30], 31 bytes apart
constexpr std::size_t kKeepFlags = 474; // six Booleans
constexpr std::size_t kOtherSeparator = 480;
constexpr std::size_t kSeparator = 481;
constexpr std::size_t kNewCode = 483;
constexpr std::size_t kDrawCode = 514;
constexpr std::size_t kEndCode = 545;
constexpr std::size_t kFirstLine = 576;
constexpr std::size_t kSheetByNumber = 580;
constexpr std::size_t kSheet = 581;

constexpr std::size_t kNameCapacity = 60;
constexpr std::size_t kDescriptionCapacity = 200;
constexpr std::size_t kPrefixCapacity = 30;
constexpr std::size_t kCodeCapacity = 30;
constexpr std::size_t kSheetCapacity = 50;

std::size_t index(PointValue value)
{
    return static_cast<std::size_t>(value);
}

} // namespace

std::int32_t FormatDefinition::column(PointValue value) const
{
    return this->value(value).column;
}

void FormatDefinition::setColumn(PointValue value, std::int32_t newColumn)
{
    this->value(value).column = newColumn;
}

const std::string& FormatDefinition::prefix(PointValue value) const
{
    return this->value(value).prefix;
}

void FormatDefinition::setPrefix(PointValue value, std::string newPrefix)
{
    this->value(value).prefix = std::move(newPrefix);
}

bool FormatDefinition::keepsPrefix(PointValue value) const
{
    return this->value(value).keepPrefix != 0;
}

void FormatDefinition::setKeepsPrefix(PointValue value, bool keep)
{
    this->value(value).keepPrefix = keep ? 1 : 0;
}

FormatBytes encodeFormat(const FormatDefinition& format)
{
    FormatBytes bytes{};
    writeByte(bytes, kIsExcel, format.isExcel);
    writeShortString(bytes, kName, kNameCapacity, format.name);
    writeShortString(bytes, kDescription, kDescriptionCapacity, format.description);
    for (PointValue value : kPointValues) {
        const std::size_t i = index(value);
        const ValueColumn& column = format.value(value);
        writeInt32(bytes, kColumns + 4 * i, column.column);
        writeShortString(bytes, kPrefixes + (kPrefixCapacity + 1) * i, kPrefixCapacity, column.prefix);
        writeByte(bytes, kKeepFlags + i, column.keepPrefix);
    }
    writeByte(bytes, kOtherSeparator, format.otherSeparator);
    writeShortString(bytes, kSeparator, 1, format.separator);
    writeShortString(bytes, kNewCode, kCodeCapacity, format.newPolylineCode);
    writeShortString(bytes, kDrawCode, kCodeCapacity, format.drawPolylineCode);
    writeShortString(bytes, kEndCode, kCodeCapacity, format.endPolylineCode);
    writeInt32(bytes, kFirstLine, format.firstLine);
    writeByte(bytes, kSheetByNumber, format.sheetByNumber);
    writeShortString(bytes, kSheet, kSheetCapacity, format.sheet);
    return bytes;
}

FormatDefinition decodeFormat(const std::vector<std::uint8_t>& stored)
{
    FormatBytes bytes{};
    std::copy_n(stored.begin(), std::min(stored.size(), bytes.size()), bytes.begin());

    FormatDefinition format;
    format.isExcel = readByte(bytes, kIsExcel);
    format.name = readShortString(bytes, kName, kNameCapacity);
    format.description = readShortString(bytes, kDescription, kDescriptionCapacity);
    for (PointValue value : kPointValues) {
        const std::size_t i = index(value);
        ValueColumn& column = format.value(value);
        column.column = readInt32(bytes, kColumns + 4 * i);
        column.prefix = readShortString(bytes, kPrefixes + (kPrefixCapacity + 1) * i, kPrefixCapacity);
        // Keep flags are kept as stored so that a record read and written again is unchanged.
        column.keepPrefix = readByte(bytes, kKeepFlags + i);
    }
    format.otherSeparator = readByte(bytes, kOtherSeparator);
    format.separator = readShortString(bytes, kSeparator, 1);
    format.newPolylineCode = readShortString(bytes, kNewCode, kCodeCapacity);
    format.drawPolylineCode = readShortString(bytes, kDrawCode, kCodeCapacity);
    format.endPolylineCode = readShortString(bytes, kEndCode, kCodeCapacity);
    format.firstLine = readInt32(bytes, kFirstLine);
    format.sheetByNumber = readByte(bytes, kSheetByNumber);
    format.sheet = readShortString(bytes, kSheet, kSheetCapacity);
    return format;
}

std::filesystem::path formatFilePath(const std::filesystem::path& installDir, const std::string& name)
{
    return config::layout::formatsFolder(installDir) / (name + config::layout::kFormatSuffix);
}

FormatDefinition loadFormatFile(const std::filesystem::path& installDir, const std::string& name)
{
    const std::filesystem::path path = formatFilePath(installDir, name);
    const auto bytes = io::readFileBytes(path, FormatDefinition::kSize);
    // Zeroed fields would pass for a format (no columns, no separator) and convert every
    // file into errors or empty drawings.
    if (bytes.size() < FormatDefinition::kSize) {
        throw NotAFormat("\"" + path.string() + "\" is not a format file: it holds " + std::to_string(bytes.size()) +
                         " of the " + std::to_string(FormatDefinition::kSize) + " bytes of a format");
    }
    return decodeFormat(bytes);
}

void saveFormatFile(const std::filesystem::path& installDir, const FormatDefinition& format, const std::string& name)
{
    const FormatBytes bytes = encodeFormat(format);
    io::writeFileBytes(formatFilePath(installDir, name), bytes.data(), bytes.size());
}

} // namespace mervalon::formats
