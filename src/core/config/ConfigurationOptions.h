#pragma once
// What a configuration says beyond its 672-byte record: the code library its drawings are made
// with and whether every non-ASCII letter is written as an escape. The record is read by every
// version and has no room for these, so they are kept in a small text file beside it,
// "<name>.options" ("key=value" lines): older versions list only *.rp4 and never see it, and a
// configuration without one reads exactly as it always did. The file goes with its record
// wherever a configuration is saved, copied, renamed or deleted (the functions below).

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mervalon::config {

struct Configuration;

/// The file name suffix of the options beside a configuration.
inline constexpr const char* kOptionsSuffix = ".options";
/// The value of `codeLibrary` for a configuration drawn without a code library.
inline constexpr const char* kNoCodeLibrary = "none";

struct ConfigurationOptions {
    /// Empty: no code library. Else a library of the installation's "codes" folder (its name
    /// without ".csv") or the path of a library file (see codes::codeLibraryPath).
    std::string codeLibrary;
    /// Every letter beyond ASCII of the drawings' texts is written as its escape \U+XXXX, also
    /// those Windows-1252 has (LibreOffice Draw shows only escapes right).
    bool escapeNonAscii = false;
    /// Keys this version does not know (written by a later one), as read, in their order; they
    /// are written back when the options are saved.
    std::vector<std::pair<std::string, std::string>> laterKeys;

    /// True for what a configuration without an options file holds.
    [[nodiscard]] bool isDefault() const { return *this == ConfigurationOptions{}; }

    bool operator==(const ConfigurationOptions&) const = default;
};

/// Thrown for an options file that cannot be understood; the message names the file and line.
class NotConfigurationOptions : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// The options as their file holds them: a comment line, then "key=value" lines.
std::string encodeOptions(const ConfigurationOptions& options);

/// Reads the text of an options file. Blank lines and lines starting with "#" are skipped;
/// unknown keys are kept in laterKeys. A known key with a value it cannot take, or a line
/// without "=", throws NotConfigurationOptions naming `source` and the line.
ConfigurationOptions decodeOptions(std::string_view text, const std::string& source = "options");

/// The options file beside the configuration file `configurationFile` ("site.rp4" gives
/// "site.options").
std::filesystem::path optionsPathOf(const std::filesystem::path& configurationFile);

/// The options of the configuration file: the default when no file lies beside it. Throws
/// io::FileError when it exists but cannot be read, NotConfigurationOptions when it is faulty.
ConfigurationOptions loadOptionsOf(const std::filesystem::path& configurationFile);

/// Replaces the options beside `configurationFile` atomically, or removes them for the default
/// (a configuration without options reads as the default). Throws io::FileError when they cannot
/// be written or removed; the old file then stays.
void saveOptionsOf(const std::filesystem::path& configurationFile, const ConfigurationOptions& options);

/// The record and the options beside it. Throws as readConfigurationFile and loadOptionsOf do.
Configuration readConfigurationWithOptions(const std::filesystem::path& path);

/// Saves the options beside `path`, then the record (writeConfigurationFile). When the record
/// cannot be written, the options file is put back as it was, so that the two still go together;
/// the error is thrown on.
void writeConfigurationWithOptions(const std::filesystem::path& path, const Configuration& configuration);

/// Copies the configuration `from` to `to` (replacing it atomically) with its options; an
/// options file left beside `to` is removed when `from` has none.
void copyConfigurationFile(const std::filesystem::path& from, const std::filesystem::path& to);

/// Renames the configuration `from` to `to` with its options; never replaces an existing `to`
/// (io::FileError with EEXIST). When the options cannot follow, the record is renamed back.
void renameConfigurationFile(const std::filesystem::path& from, const std::filesystem::path& to);

/// Deletes the configuration file and its options.
void deleteConfigurationFile(const std::filesystem::path& path);

} // namespace mervalon::config
