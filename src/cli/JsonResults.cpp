#include "cli/JsonResults.h"

#include <cstdio>

namespace mervalon::cli {
namespace {

// The length of the valid UTF-8 sequence at the start of `text`, or 0.
std::size_t utf8Length(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(0);
    std::size_t length = 0;
    unsigned minimum = 0;
    unsigned value = 0;
    if (first >= 0xc2 && first <= 0xdf) {
        length = 2;
        value = first & 0x1fu;
        minimum = 0x80;
    } else if (first >= 0xe0 && first <= 0xef) {
        length = 3;
        value = first & 0x0fu;
        minimum = 0x800;
    } else if (first >= 0xf0 && first <= 0xf4) {
        length = 4;
        value = first & 0x07u;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xc0u) != 0x80u) {
            return 0;
        }
        value = (value << 6) | (byte(i) & 0x3fu);
    }
    // Overlong forms, surrogates and values beyond Unicode are not valid UTF-8.
    if (value < minimum || (value >= 0xd800 && value <= 0xdfff) || value > 0x10ffff) {
        return 0;
    }
    return length;
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

const char* statusName(engine::FileStatus status, bool dryRun)
{
    switch (status) {
    case engine::FileStatus::Converted:
        return dryRun ? "checked" : "converted";
    case engine::FileStatus::Skipped:
        return "skipped";
    case engine::FileStatus::Aborted:
        return "aborted";
    case engine::FileStatus::Failed:
        break;
    }
    return "failed";
}

} // namespace

std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.front());
        char escape[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const std::size_t length = utf8Length(text); length > 0) {
            out.append(text.substr(0, length));
            text.remove_prefix(length - 1);
        } else {
            std::snprintf(escape, sizeof escape, "\\udc%02x", c);
            out += escape;
        }
        text.remove_prefix(1);
    }
    out += '"';
    return out;
}

std::string fileJson(const engine::FileResult& result, const engine::RunFile& file, bool dryRun)
{
    std::string errors = "[";
    for (std::size_t i = 0; i < result.errors.size(); ++i) {
        errors += (i == 0 ? "" : ",") + jsonString(result.errors[i]);
    }
    errors += "]";
    return "{\"type\":\"file\",\"index\":" + std::to_string(result.index) + ",\"file\":" + jsonString(file.source) +
           ",\"drawing\":" + jsonString(file.destination) + ",\"status\":\"" + statusName(result.status, dryRun) +
           "\",\"lines\":" + std::to_string(result.lines) + ",\"points\":" + std::to_string(result.points) +
           ",\"texts\":" + std::to_string(result.texts) + ",\"polylines\":" + std::to_string(result.polylines) +
           ",\"error_lines\":" + std::to_string(result.errorLines) +
           ",\"warning_lines\":" + std::to_string(result.warningLines) + ",\"errors\":" + errors +
           ",\"seconds\":" + number(result.seconds) + "}";
}

std::string runJson(const RunJson& run)
{
    return "{\"type\":\"run\",\"files\":" + std::to_string(run.files) +
           ",\"converted\":" + std::to_string(run.converted) + ",\"skipped\":" + std::to_string(run.skipped) +
           ",\"aborted\":" + std::to_string(run.aborted) + ",\"failed\":" + std::to_string(run.failed) +
           ",\"files_with_errors\":" + std::to_string(run.filesWithErrors) +
           ",\"error_lines\":" + std::to_string(run.errorLines) +
           ",\"warning_lines\":" + std::to_string(run.warningLines) +
           ",\"stopped\":" + (run.stopped ? "true" : "false") + ",\"dry_run\":" + (run.dryRun ? "true" : "false") +
           ",\"jobs\":" + std::to_string(run.jobs) + ",\"report\":" + jsonString(run.report) +
           ",\"exit_status\":" + std::to_string(run.exitStatus) + ",\"message\":" + jsonString(run.message) +
           ",\"seconds\":" + number(run.seconds) + "}";
}

} // namespace mervalon::cli
