#include "core/config/ConfigurationOptions.h"

#include "core/config/Configuration.h"
#include "core/io/FileIo.h"
#include "core/io/KeyValueLines.h"
#include "core/io/ReplaceFile.h"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <system_error>
#include <unistd.h>

namespace mervalon::config {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCodeLibraryKey = "codeLibrary";
constexpr const char* kEscapeNonAsciiKey = "escapeNonAscii";
// An options file is a few lines; anything beyond a few kilobytes is no options file.
constexpr std::size_t kMaxOptionsBytes = 64 * 1024;

bool isNone(std::string_view value)
{
    if (value.size() != 4) {
        return false;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const char c = value[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kNoCodeLibrary[i]) {
            return false;
        }
    }
    return true;
}

bool isThere(const fs::path& path)
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

// The bytes of a file, or none when there is no such file.
std::optional<std::string> contentOf(const fs::path& path)
{
    if (!isThere(path)) {
        return std::nullopt;
    }
    return io::readFileText(path);
}

void removeFile(const fs::path& path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        throw io::FileError("Cannot delete file", path, errno);
    }
}

} // namespace

std::string encodeOptions(const ConfigurationOptions& options)
{
    std::string text = "# What the configuration beside this file holds beyond its record (Mervalon 4.0)\n";
    text += std::string(kCodeLibraryKey) + "=" + (options.codeLibrary.empty() ? kNoCodeLibrary : options.codeLibrary) +
            "\n";
    text += std::string(kEscapeNonAsciiKey) + "=" + (options.escapeNonAscii ? "yes" : "no") + "\n";
    for (const auto& [key, value] : options.laterKeys) {
        text += key + "=" + value + "\n";
    }
    return text;
}

ConfigurationOptions decodeOptions(std::string_view text, const std::string& source)
{
    ConfigurationOptions options;
    for (const io::KeyValueLine& line : io::keyValueLines(text)) {
        const auto fault = [&](const std::string& why) {
            return NotConfigurationOptions("\"" + source + "\", line " + std::to_string(line.number) + ": " + why);
        };
        if (!line.hasEquals) {
            throw fault("\"" + std::string(line.text) + "\" is no key=value line");
        }
        const std::string_view key = line.key;
        const std::string_view value = line.value;
        if (key == kCodeLibraryKey) {
            options.codeLibrary = isNone(value) ? std::string() : std::string(value);
        } else if (key == kEscapeNonAsciiKey) {
            if (value == "yes") {
                options.escapeNonAscii = true;
            } else if (value == "no") {
                options.escapeNonAscii = false;
            } else {
                throw fault(std::string(kEscapeNonAsciiKey) + " takes yes or no, not \"" + std::string(value) + "\"");
            }
        } else {
            // A key of a later version: kept, so that saving here does not lose it there.
            options.laterKeys.emplace_back(std::string(key), std::string(value));
        }
    }
    return options;
}

fs::path optionsPathOf(const fs::path& configurationFile)
{
    fs::path path = configurationFile;
    path.replace_extension(kOptionsSuffix);
    return path;
}

ConfigurationOptions loadOptionsOf(const fs::path& configurationFile)
{
    const fs::path path = optionsPathOf(configurationFile);
    if (!isThere(path)) {
        return ConfigurationOptions{};
    }
    const std::vector<std::uint8_t> bytes = io::readFileBytes(path, kMaxOptionsBytes);
    return decodeOptions(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), path.string());
}

void saveOptionsOf(const fs::path& configurationFile, const ConfigurationOptions& options)
{
    const fs::path path = optionsPathOf(configurationFile);
    if (options.isDefault()) {
        removeFile(path);
        return;
    }
    io::replaceFile(path, encodeOptions(options));
}

Configuration readConfigurationWithOptions(const fs::path& path)
{
    Configuration configuration = readConfigurationFile(path);
    configuration.options = loadOptionsOf(path);
    return configuration;
}

void writeConfigurationWithOptions(const fs::path& path, const Configuration& configuration)
{
    const fs::path optionsPath = optionsPathOf(path);
    const std::optional<std::string> before = contentOf(optionsPath);
    saveOptionsOf(path, configuration.options);
    try {
        writeConfigurationFile(path, configuration);
    } catch (...) {
        // The record stays as it was; so must the options that go with it.
        try {
            if (before) {
                io::replaceFile(optionsPath, *before);
            } else {
                removeFile(optionsPath);
            }
        } catch (const std::exception&) {
            // The record's failure is the one to tell.
        }
        throw;
    }
}

void copyConfigurationFile(const fs::path& from, const fs::path& to)
{
    const std::string record = io::readFileText(from);
    const std::optional<std::string> options = contentOf(optionsPathOf(from));
    if (options) {
        io::replaceFile(optionsPathOf(to), *options);
    } else {
        removeFile(optionsPathOf(to)); // one left beside `to` is not the copy's
    }
    io::replaceFile(to, record);
}

void renameConfigurationFile(const fs::path& from, const fs::path& to)
{
    if (const int error = io::renameWithoutReplacing(from, to); error != 0) {
        throw io::FileError("Cannot rename file", error == EEXIST ? to : from, error);
    }
    const fs::path fromOptions = optionsPathOf(from);
    const fs::path toOptions = optionsPathOf(to);
    if (!isThere(fromOptions)) {
        try {
            removeFile(toOptions); // one left by a deleted configuration is not this one's
        } catch (const std::exception&) {
            io::renameWithoutReplacing(to, from);
            throw;
        }
        return;
    }
    // No configuration is named `to`, so options of that name were left behind and may be replaced.
    if (std::rename(fromOptions.c_str(), toOptions.c_str()) != 0) {
        const int error = errno;
        io::renameWithoutReplacing(to, from); // the configuration stays whole under its old name
        throw io::FileError("Cannot rename file", fromOptions, error);
    }
}

void deleteConfigurationFile(const fs::path& path)
{
    if (::unlink(path.c_str()) != 0) {
        throw io::FileError("Cannot delete file", path, errno);
    }
    removeFile(optionsPathOf(path));
}

} // namespace mervalon::config
