#include "cli/DetectCommand.h"

#include "cli/ConvertCommand.h"
#include "cli/JsonResults.h"
#include "core/formats/FormatLibrary.h"
#include "platform/AppSettings.h"
#include "platform/Installation.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <stdexcept>

namespace mervalon::cli {
namespace {

namespace fs = std::filesystem;
using formats::DetectedLayout;
using formats::PointValue;

const char* yesNo(bool value)
{
    return value ? "yes" : "no";
}

// The JSON names of the values, in kPointValues order.
constexpr const char* kJsonRoles[] = {"number", "east", "north", "elevation", "description", "code"};

struct DetectFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

fs::path installDirOf(const ConvertOptions& options, std::ostream& messages)
{
    if (options.installDir) {
        const fs::path dir = fs::absolute(*options.installDir);
        if (!fs::is_directory(dir)) {
            throw DetectFailure("the installation folder \"" + dir.string() + "\" does not exist");
        }
        return dir;
    }
    platform::AppSettings settings;
    QStringList notices;
    const fs::path dir = platform::ensureInstallation(settings, &notices).toStdString();
    for (const QString& notice : notices) {
        messages << "mervalon-convert: notice: " << notice.toStdString() << "\n";
    }
    return dir;
}

// The format name as the format list shows it: lower case, without blanks around it.
std::string listedName(std::string name)
{
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!name.empty() && blank(static_cast<unsigned char>(name.back()))) {
        name.pop_back();
    }
    name.erase(name.begin(), std::find_if_not(name.begin(), name.end(),
                                              [&](char c) { return blank(static_cast<unsigned char>(c)); }));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

std::string nameFault(formats::NameFault fault)
{
    switch (fault) {
    case formats::NameFault::Empty:
        return "it is empty";
    case formats::NameFault::PathSeparator:
        return "it holds \"/\" or \"\\\"";
    case formats::NameFault::Dot:
        return "it holds a \".\"";
    case formats::NameFault::ControlCharacter:
        return "it holds a control character";
    case formats::NameFault::TooLong:
        return "it is longer than " + std::to_string(formats::kMaxFormatNameLength) + " characters";
    case formats::NameFault::None:
        break;
    }
    return {};
}

// Stores the layout as a new format; the installation's "!default" lends the settings a layout
// does not decide (the polyline codes).
void saveLayout(const fs::path& installDir, const std::string& name, const std::string& file,
                const DetectedLayout& layout)
{
    if (const formats::NameFault fault = formats::screenFormatName(name); fault != formats::NameFault::None) {
        throw DetectFailure("\"" + name + "\" cannot be the name of a format: " + nameFault(fault));
    }
    if (formats::findFormatFile(installDir, name)) {
        throw DetectFailure("a format \"" + name + "\" already exists; choose another name, or delete it first");
    }
    formats::FormatDefinition base;
    try {
        base = formats::readFormat(installDir, "!default");
    } catch (const std::exception&) {
        base = formats::FormatDefinition{}; // no polyline codes then
    }
    base.name = name;
    base.description = "Detected from " + fs::path(file).filename().string();
    const formats::DetectedFormat detected = formats::formatOfLayout(layout, base);
    formats::saveFormat(installDir, detected.format, detected.dialect, name);
}

} // namespace

std::string layoutText(const std::string& file, const DetectedLayout& layout)
{
    std::string text = "File:             " + file + "\n";
    text += "Lines examined:   " + std::to_string(layout.linesExamined);
    if (layout.found) {
        text += " (" + std::to_string(layout.pointLines) + " read as points)";
    }
    text += "\n";
    if (layout.found) {
        const formats::TextDialect& dialect = layout.dialect;
        text += "Separator:        " + formats::separatorName(layout.separator) + "\n";
        text += std::string("Decimal mark:     ") +
                (dialect.decimalMark == formats::DecimalMark::Comma ? "comma" : "point") + "\n";
        text += std::string("Quoted fields:    ") + yesNo(dialect.quotedFields) + "\n";
        text += std::string("Empty fields:     ") + (dialect.keepEmptyFields ? "keep their column" : "left out") + "\n";
        text += "Lines skipped:    " + std::to_string(layout.linesBefore) + "\n";
        text += "Header:           " +
                (layout.headerLine == 0 ? std::string("none")
                                        : "line " + std::to_string(layout.headerLine) + ": " + layout.headerText) +
                "\n";
        text += "First point line: " + std::to_string(layout.firstPointLine) + "\n";
        text += "Columns (" + std::to_string(layout.columnCount) + " a line):\n";
        for (const PointValue value : formats::kPointValues) {
            std::string role = formats::roleName(value);
            role.resize(13, ' ');
            const int column = layout.column(value);
            text += "  " + role + (column == 0 ? std::string("-") : std::to_string(column)) + "\n";
        }
        text += std::string("Confidence:       ") + formats::confidenceWord(layout.confidence) + " (" +
                std::to_string(layout.confidence) + "%)" + (layout.byHeader ? ", columns named by the header" : "") +
                "\n";
    } else {
        text += "Layout:           not recognised\n";
    }
    for (const std::string& note : layout.notes) {
        text += "Note: " + note + "\n";
    }
    return text;
}

std::string layoutJson(const std::string& file, const DetectedLayout& layout, const std::string& savedFormat)
{
    std::string json = "{\"type\":\"layout\",\"file\":" + jsonString(file) +
                       ",\"found\":" + (layout.found ? "true" : "false") +
                       ",\"lines_examined\":" + std::to_string(layout.linesExamined) +
                       ",\"point_lines\":" + std::to_string(layout.pointLines);
    if (layout.found) {
        const formats::TextDialect& dialect = layout.dialect;
        json += ",\"separator\":" + jsonString(std::string(1, layout.separator));
        json += std::string(",\"decimal_mark\":") +
                (dialect.decimalMark == formats::DecimalMark::Comma ? "\"comma\"" : "\"point\"");
        json += std::string(",\"quoted_fields\":") + (dialect.quotedFields ? "true" : "false");
        json += std::string(",\"keep_empty_fields\":") + (dialect.keepEmptyFields ? "true" : "false");
        json += ",\"lines_skipped\":" + std::to_string(layout.linesBefore);
        const std::string headerLine = layout.headerLine == 0 ? "null" : std::to_string(layout.headerLine);
        json += ",\"header_line\":" + headerLine;
        json += ",\"first_point_line\":" + std::to_string(layout.firstPointLine);
        json += ",\"column_count\":" + std::to_string(layout.columnCount);
        json += ",\"columns\":{";
        for (std::size_t i = 0; i < formats::kPointValues.size(); ++i) {
            const int column = layout.columns[i];
            json += std::string(i == 0 ? "" : ",") + "\"" + kJsonRoles[i] +
                    "\":" + (column == 0 ? std::string("null") : std::to_string(column));
        }
        json += "}";
        json += std::string(",\"named_by_header\":") + (layout.byHeader ? "true" : "false");
        json += std::string(",\"east_north_uncertain\":") + (layout.eastNorthUncertain ? "true" : "false");
        json += ",\"confidence\":" + std::to_string(layout.confidence);
    }
    json += ",\"notes\":[";
    for (std::size_t i = 0; i < layout.notes.size(); ++i) {
        json += (i == 0 ? "" : ",") + jsonString(layout.notes[i]);
    }
    json += "],\"saved_format\":" + (savedFormat.empty() ? std::string("null") : jsonString(savedFormat)) + "}";
    return json;
}

int runDetect(const ConvertOptions& options, std::ostream& results, std::ostream& messages)
{
    const std::string file = *options.detectFile;
    std::string saved;
    try {
        std::error_code ec;
        if (fs::is_directory(file, ec)) {
            throw DetectFailure("\"" + file + "\" is a folder, not a point file");
        }
        const DetectedLayout layout = formats::detectLayoutOfFile(file);
        if (layout.found && options.saveFormatName) {
            saved = listedName(*options.saveFormatName);
            saveLayout(installDirOf(options, messages), saved, file, layout);
        }
        results << (options.json ? layoutJson(file, layout, saved) + "\n" : layoutText(file, layout)) << std::flush;
        if (!layout.found) {
            messages << "mervalon-convert: no layout of points found in \"" << file << "\""
                     << (options.saveFormatName ? "; no format was saved" : "") << "\n";
            return kErrorsReported;
        }
        if (!saved.empty()) {
            messages << "mervalon-convert: saved the layout as the format \"" << saved << "\"\n";
        }
        return kNoErrors;
    } catch (const std::exception& error) {
        messages << "mervalon-convert: " << error.what() << "\n";
        return kNotStarted;
    }
}

} // namespace mervalon::cli
