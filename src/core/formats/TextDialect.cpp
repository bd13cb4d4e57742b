#include "core/formats/TextDialect.h"

#include "core/io/FileIo.h"
#include "core/io/KeyValueLines.h"
#include "core/io/ReplaceFile.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace mervalon::formats {
namespace {

const char* yesNo(bool value)
{
    return value ? "yes" : "no";
}

bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

std::string_view view(const char* begin, const char* end)
{
    return std::string_view(begin, static_cast<std::size_t>(end - begin));
}

} // namespace

void splitFields(std::span<char> line, char separator, const TextDialect& dialect,
                 std::vector<std::string_view>& fields)
{
    fields.clear();
    char* p = line.data();
    char* const end = p + line.size();
    const auto isSeparator = [separator](char c) { return separator != 0 && c == separator; };
    while (true) {
        char* start = p;
        char* afterBlanks = p;
        while (afterBlanks != end && isBlank(*afterBlanks) && !isSeparator(*afterBlanks)) {
            ++afterBlanks;
        }
        std::string_view field;
        if (dialect.quotedFields && afterBlanks != end && *afterBlanks == '"' &&
            (dialect.trimFields || afterBlanks == start)) {
            // Unquoted in place: the text moves left over the opening quote and the doubled ones.
            char* out = afterBlanks;
            char* in = afterBlanks + 1;
            while (in != end) {
                if (*in == '"') {
                    if (in + 1 != end && in[1] == '"') {
                        *out++ = '"';
                        in += 2;
                        continue;
                    }
                    ++in; // the closing quote
                    break;
                }
                *out++ = *in++;
            }
            // Anything between the closing quote and the separator stays with the field,
            // blanks aside when they are trimmed.
            char* const quotedEnd = out;
            char* kept = out;
            while (in != end && !isSeparator(*in)) {
                *out++ = *in;
                if (!isBlank(*in) || !dialect.trimFields) {
                    kept = out;
                }
                ++in;
            }
            field = view(afterBlanks, std::max(quotedEnd, kept));
            p = in;
        } else {
            char* at = p;
            while (at != end && !isSeparator(*at)) {
                ++at;
            }
            const char* first = start;
            const char* last = at;
            if (dialect.trimFields) {
                while (first != last && isBlank(*first)) {
                    ++first;
                }
                while (last != first && isBlank(last[-1])) {
                    --last;
                }
            }
            field = view(first, last);
            p = at;
        }
        if (!field.empty() || dialect.keepEmptyFields) {
            fields.push_back(field);
        }
        if (p == end) {
            break;
        }
        ++p; // past the separator
    }
    // A line of separators alone holds no field at all.
    if (std::all_of(fields.begin(), fields.end(), [](std::string_view f) { return f.empty(); })) {
        fields.clear();
    }
}

void commaToPoint(std::span<char> field)
{
    char* comma = nullptr;
    for (char& c : field) {
        if (c == '.') {
            return;
        }
        if (c == ',') {
            if (comma != nullptr) {
                return;
            }
            comma = &c;
        }
    }
    if (comma != nullptr) {
        *comma = '.';
    }
}

std::string dialectFault(const FormatDefinition& format, const TextDialect& dialect)
{
    if (format.isExcel != 0) {
        return {};
    }
    if (dialect.decimalMark == DecimalMark::Comma && format.separator == ",") {
        return "A format with comma decimals cannot have a comma as its separator: \"1,512340,125\" could not be "
               "told apart. Choose a semicolon or a tab as the separator, or a point as the decimal mark.";
    }
    if (dialect.quotedFields && format.separator == "\"") {
        return "A format with quoted fields cannot have the quote (\") as its separator. Choose another separator, "
               "or turn quoted fields off.";
    }
    return {};
}

std::string encodeDialect(const TextDialect& dialect)
{
    std::string text = "# How the point files of the format beside this file are written (Mervalon 4.0)\n";
    text += std::string("decimal-mark=") + (dialect.decimalMark == DecimalMark::Comma ? "comma" : "point") + "\n";
    text += std::string("quoted-fields=") + yesNo(dialect.quotedFields) + "\n";
    text += std::string("trim-fields=") + yesNo(dialect.trimFields) + "\n";
    text += std::string("keep-empty-fields=") + yesNo(dialect.keepEmptyFields) + "\n";
    text += std::string("header-line=") + yesNo(dialect.headerLine) + "\n";
    return text;
}

TextDialect decodeDialect(std::string_view text, const std::string& source)
{
    TextDialect dialect;
    for (const io::KeyValueLine& line : io::keyValueLines(text)) {
        const auto fault = [&](const std::string& why) {
            return NotADialect("\"" + source + "\", line " + std::to_string(line.number) + ": " + why);
        };
        if (!line.hasEquals) {
            throw fault("\"" + std::string(line.text) + "\" is no key=value line");
        }
        const std::string_view key = line.key;
        const std::string_view value = line.value;
        const auto flag = [&]() {
            if (value == "yes") {
                return true;
            }
            if (value == "no") {
                return false;
            }
            throw fault(std::string(key) + " takes yes or no, not \"" + std::string(value) + "\"");
        };
        if (key == "decimal-mark") {
            if (value == "point") {
                dialect.decimalMark = DecimalMark::Point;
            } else if (value == "comma") {
                dialect.decimalMark = DecimalMark::Comma;
            } else {
                throw fault("decimal-mark takes point or comma, not \"" + std::string(value) + "\"");
            }
        } else if (key == "quoted-fields") {
            dialect.quotedFields = flag();
        } else if (key == "trim-fields") {
            dialect.trimFields = flag();
        } else if (key == "keep-empty-fields") {
            dialect.keepEmptyFields = flag();
        } else if (key == "header-line") {
            dialect.headerLine = flag();
        }
        // Other keys come from a later version; what this one knows is read all the same.
    }
    return dialect;
}

std::filesystem::path dialectPathOf(const std::filesystem::path& formatFile)
{
    std::filesystem::path path = formatFile;
    path.replace_extension(kDialectSuffix);
    return path;
}

TextDialect loadDialectOf(const std::filesystem::path& formatFile)
{
    const std::filesystem::path path = dialectPathOf(formatFile);
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
        return TextDialect{};
    }
    // A dialect is a few lines; anything beyond a few kilobytes is no dialect file.
    const std::vector<std::uint8_t> bytes = io::readFileBytes(path, 64 * 1024);
    return decodeDialect(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), path.string());
}

void saveDialectOf(const std::filesystem::path& formatFile, const TextDialect& dialect)
{
    const std::filesystem::path path = dialectPathOf(formatFile);
    if (dialect.isDefault()) {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            throw io::FileError("Cannot delete file", path, errno);
        }
        return;
    }
    io::replaceFile(path, encodeDialect(dialect));
}

} // namespace mervalon::formats
