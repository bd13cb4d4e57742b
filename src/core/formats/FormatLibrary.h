#pragma once
// The library of formats: the *.rpf files of the installation's formats folder, known to the
// user by their names. Listed names are lower case while files copied in by hand may carry
// capitals, so every operation maps a name back to the file it was listed from.

#include "core/formats/FormatDefinition.h"
#include "core/formats/TextDialect.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace mervalon::formats {

/// The longest name a format can have: the capacity of the record's name field.
inline constexpr std::size_t kMaxFormatNameLength = 60;

/// The name of the format a file holds: its file name up to the first ".", lower-cased.
std::string formatNameOfFile(const std::string& fileName);

/// The names of the formats in "<installDir>/formats": one per *.rpf file, in ascending byte
/// order without repeats (so "!default" comes first). Empty when the folder cannot be listed.
std::vector<std::string> listFormats(const std::filesystem::path& installDir);

/// Why a name cannot be given to a new or renamed format.
enum class NameFault {
    None,
    Empty,
    PathSeparator,    ///< "/" or "\": the file would land outside the formats folder
    Dot,              ///< a "." anywhere: the name would list as another (".", ".." included)
    ControlCharacter, ///< a byte below 32, 127, or a Latin-1 control (128 to 159)
    TooLong,          ///< more than kMaxFormatNameLength characters
};

/// Screens a name (already lower-cased and trimmed) as the file name of a format.
NameFault screenFormatName(const std::string& name);

/// The file that holds the listed format `name`: "<name>.rpf" when it exists, else the first
/// *.rpf file (in byte order) whose name lists as `name`. Empty when there is none.
std::optional<std::filesystem::path> findFormatFile(const std::filesystem::path& installDir, const std::string& name);

/// Reads the format listed as `name`. Throws io::FileError when it has no file or the file
/// cannot be read.
FormatDefinition readFormat(const std::filesystem::path& installDir, const std::string& name);

/// Replaces the file of the format `name` atomically with the record (the file name comes from
/// `name`, not from the record); its dialect stays as it is. A format without a file gets
/// "<name>.rpf" and no dialect (one left behind by a deleted format is removed), provided the name
/// passes screenFormatName (std::invalid_argument otherwise). Throws io::FileError when the file
/// cannot be written; the old file is then left as it was.
void saveFormat(const std::filesystem::path& installDir, const FormatDefinition& format, const std::string& name);

/// The dialect of the format listed as `name` (see TextDialect.h): the default when its file has
/// no dialect beside it. Throws io::FileError when the format has no file or the dialect cannot
/// be read, NotADialect when the dialect file is faulty.
TextDialect readDialect(const std::filesystem::path& installDir, const std::string& name);

/// Thrown when a format and its dialect do not go together (see dialectFault); nothing is saved.
class DialectRefused : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

/// Saves the record as saveFormat does, then its dialect beside it (removed for the default
/// dialect). Throws DialectRefused, before anything is written, when dialectFault finds fault.
void saveFormat(const std::filesystem::path& installDir, const FormatDefinition& format, const TextDialect& dialect,
                const std::string& name);

/// Renames the file of format `from` to "<to>.rpf", and its dialect with it. Never replaces a
/// format: a format already listed as `to` fails with EEXIST. std::invalid_argument when `to` fails screenFormatName;
/// io::FileError with the system's text when the file is missing or cannot be renamed.
void renameFormat(const std::filesystem::path& installDir, const std::string& from, const std::string& to);

/// Removes the file of the format `name` and its dialect, and nothing else. Throws io::FileError with the
/// system's text when there is no such file or it cannot be removed.
void deleteFormat(const std::filesystem::path& installDir, const std::string& name);

} // namespace mervalon::formats
