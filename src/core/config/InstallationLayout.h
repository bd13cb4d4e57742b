#pragma once
// Where each file of an installation lives. Every program and test names these files through
// this header, so that the layout is written down once.

#include "core/config/Configuration.h"

#include <filesystem>
#include <string>

namespace mervalon::config::layout {

inline constexpr const char* kPrologue = "dxf.dat";                  ///< the drawing's prologue
inline constexpr const char* kFileTypes = "mervalon40.ext";          ///< the file types, one a line
inline constexpr const char* kConfigurationInUse = "mervalon40.ini"; ///< names the configuration in use
inline constexpr const char* kReport = "mervalon40.log";             ///< the report of the last run
inline constexpr const char* kFormatsFolder = "formats";             ///< <name>.rpf files
inline constexpr const char* kFormatSuffix = ".rpf";
inline constexpr const char* kConfigurationsFolder = "configurations"; ///< *.rp4 files
inline constexpr const char* kConfigurationSuffix = ".rp4";
/// The program's own documents: the manual and the Active Help topics. They describe the
/// program, not the user's work, so every start keeps them in line with the program's version.
inline constexpr const char* kManualFolder = "help";
inline constexpr const char* kActiveHelpFolder = "activehelp";
/// The working default in the configurations folder; a pristine copy of it lies in the
/// installation folder itself and restores it when it is missing.
inline constexpr const char* kDefaultConfiguration = "!Default.rp4";

std::filesystem::path prologuePath(const std::filesystem::path& installDir);
std::filesystem::path fileTypesPath(const std::filesystem::path& installDir);
std::filesystem::path configurationInUsePath(const std::filesystem::path& installDir);
std::filesystem::path reportPath(const std::filesystem::path& installDir);
std::filesystem::path formatsFolder(const std::filesystem::path& installDir);
std::filesystem::path configurationsFolder(const std::filesystem::path& installDir);
std::filesystem::path defaultConfigurationPath(const std::filesystem::path& installDir);
std::filesystem::path pristineConfigurationPath(const std::filesystem::path& installDir);

} // namespace mervalon::config::layout

namespace mervalon::config {

/// The configuration a program starts with, and how it was found.
struct ConfigurationInUse {
    Configuration record;
    std::string name;           ///< its file name in the configurations folder
    std::string recordedName;   ///< the name mervalon40.ini holds (empty when none)
    bool fellBack = false;      ///< the recorded one was missing and the default serves instead
    std::filesystem::path file; ///< the file read (the pristine copy when the default could not be restored)
    /// Why the options beside the file could not be read (NotConfigurationOptions); empty when
    /// they could. The record then holds the default options.
    std::string optionsFault;
};

/// The configuration named in mervalon40.ini; when the ini names none, or names a file that is
/// not there, the working default "!Default.rp4", restored first from the pristine copy when it is
/// missing (and read from the pristine copy itself when it cannot be restored), each with the
/// options beside it (ConfigurationOptions.h). Throws
/// NotAConfiguration for a file too short to be one, std::system_error when the chosen file
/// cannot be read.
ConfigurationInUse readConfigurationInUse(const std::filesystem::path& installDir);

} // namespace mervalon::config
