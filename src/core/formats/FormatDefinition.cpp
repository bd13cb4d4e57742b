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
constexpr std::size_t kColumns = 264; // six Int32, number..code
constexpr std::size_t kPrefixes = 288; // six string[30], 31 bytes apart
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

std::size_t index(PointValue value) { return static_cast<std::size_t>(value); }

} // namespace

std::int32_t FormatDefinition::column(PointValue value) const
{
    switch (value) {
    case PointValue::Number: return numberColumn;
    case PointValue::X: return xColumn;
    case PointValue::Y: return yColumn;
    case PointValue::Z: return zColumn;
    case PointValue::Description: return descriptionColumn;
    case PointValue::Code: return codeColumn;
    }
    return 0;
}

void FormatDefinition::setColumn(PointValue value, std::int32_t newColumn)
{
    switch (value) {
    case PointValue::Number: numberColumn = newColumn; break;
    case PointValue::X: xColumn = newColumn; break;
    case PointValue::Y: yColumn = newColumn; break;
    case PointValue::Z: zColumn = newColumn; break;
    case PointValue::Description: descriptionColumn = newColumn; break;
    case PointValue::Code: codeColumn = newColumn; break;
    }
}

const std::string& FormatDefinition::prefix(PointValue value) const
{
    switch (value) {
    case PointValue::Number: return numberPrefix;
    case PointValue::X: return xPrefix;
    case PointValue::Y: return yPrefix;
    case PointValue::Z: return zPrefix;
    case PointValue::Description: return descriptionPrefix;
    case PointValue::Code: break;
    }
    return codePrefix;
}

void FormatDefinition::setPrefix(PointValue value, std::string newPrefix)
{
    const_cast<std::string&>(prefix(value)) = std::move(newPrefix);
}

bool FormatDefinition::keepsPrefix(PointValue value) const
{
    switch (value) {
    case PointValue::Number: return keepNumberPrefix != 0;
    case PointValue::X: return keepXPrefix != 0;
    case PointValue::Y: return keepYPrefix != 0;
    case PointValue::Z: return keepZPrefix != 0;
    case PointValue::Description: return keepDescriptionPrefix != 0;
    case PointValue::Code: return keepCodePrefix != 0;
    }
    return false;
}

void FormatDefinition::setKeepsPrefix(PointValue value, bool keep)
{
    const std::uint8_t byte = keep ? 1 : 0;
    switch (value) {
    case PointValue::Number: keepNumberPrefix = byte; break;
    case PointValue::X: keepXPrefix = byte; break;
    case PointValue::Y: keepYPrefix = byte; break;
    case PointValue::Z: keepZPrefix = byte; break;
    case PointValue::Description: keepDescriptionPrefix = byte; break;
    case PointValue::Code: keepCodePrefix = byte; break;
    }
}

FormatBytes encodeFormat(const FormatDefinition& format)
{
    FormatBytes bytes{};
    writeByte(bytes, kIsExcel, format.isExcel);
    writeShortString(bytes, kName, kNameCapacity, format.name);
    writeShortString(bytes, kDescription, kDescriptionCapacity, format.description);
    for (PointValue value : kPointValues) {
        const std::size_t i = index(value);
        writeInt32(bytes, kColumns + 4 * i, format.column(value));
        writeShortString(bytes, kPrefixes + (kPrefixCapacity + 1) * i, kPrefixCapacity, format.prefix(value));
    }
    const std::uint8_t keepFlags[] = {format.keepNumberPrefix, format.keepXPrefix, format.keepYPrefix,
                                      format.keepZPrefix, format.keepDescriptionPrefix, format.keepCodePrefix};
    for (std::size_t i = 0; i < 6; ++i) {
        writeByte(bytes, kKeepFlags + i, keepFlags[i]);
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
        format.setColumn(value, readInt32(bytes, kColumns + 4 * i));
        format.setPrefix(value, readShortString(bytes, kPrefixes + (kPrefixCapacity + 1) * i, kPrefixCapacity));
    }
    // Keep flags are kept as stored so that a record read and written again is unchanged.
    format.keepNumberPrefix = readByte(bytes, kKeepFlags + 0);
    format.keepXPrefix = readByte(bytes, kKeepFlags + 1);
    format.keepYPrefix = readByte(bytes, kKeepFlags + 2);
    format.keepZPrefix = readByte(bytes, kKeepFlags + 3);
    format.keepDescriptionPrefix = readByte(bytes, kKeepFlags + 4);
    format.keepCodePrefix = readByte(bytes, kKeepFlags + 5);
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
