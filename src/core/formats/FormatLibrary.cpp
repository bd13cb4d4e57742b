#include "core/formats/FormatLibrary.h"

#include "core/config/InstallationLayout.h"
#include "core/io/FileIo.h"
#include "core/io/ReplaceFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace mervalon::formats {
namespace {

namespace fs = std::filesystem;

/// The *.rpf files of the formats folder, in byte order of their names.
std::vector<fs::path> formatFiles(const fs::path& installDir)
{
    std::vector<fs::path> files;
    std::error_code error;
    const std::string suffix = config::layout::kFormatSuffix;
    for (fs::directory_iterator entry(config::layout::formatsFolder(installDir), error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string fileName = entry->path().filename().string();
        std::error_code ignored;
        if (fileName.size() > suffix.size() && fileName.ends_with(suffix) && entry->is_regular_file(ignored)) {
            files.push_back(entry->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

fs::path requireFormatFile(const fs::path& installDir, const std::string& name)
{
    if (auto file = findFormatFile(installDir, name)) {
        return *file;
    }
    throw io::FileError("Cannot open file", formatFilePath(installDir, name), ENOENT);
}

void requirePlainName(const std::string& name)
{
    if (screenFormatName(name) != NameFault::None) {
        throw std::invalid_argument("not a format name: " + name);
    }
}

} // namespace

std::string formatNameOfFile(const std::string& fileName)
{
    std::string name = fileName.substr(0, fileName.find('.'));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

std::vector<std::string> listFormats(const std::filesystem::path& installDir)
{
    std::vector<std::string> names;
    for (const fs::path& file : formatFiles(installDir)) {
        names.push_back(formatNameOfFile(file.filename().string()));
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

NameFault screenFormatName(const std::string& name)
{
    const auto contains = [&name](auto predicate) { return std::any_of(name.begin(), name.end(), predicate); };
    if (name.empty()) {
        return NameFault::Empty;
    }
    if (contains([](char c) { return c == '/' || c == '\\'; })) {
        return NameFault::PathSeparator;
    }
    if (contains([](char c) { return c == '.'; })) {
        return NameFault::Dot;
    }
    if (contains([](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return byte < 32 || byte == 127 || (byte >= 128 && byte < 160);
        })) {
        return NameFault::ControlCharacter;
    }
    return name.size() > kMaxFormatNameLength ? NameFault::TooLong : NameFault::None;
}

std::optional<std::filesystem::path> findFormatFile(const std::filesystem::path& installDir, const std::string& name)
{
    if (name.empty()) {
        return std::nullopt;
    }
    const std::vector<fs::path> files = formatFiles(installDir);
    const fs::path exact = formatFilePath(installDir, name);
    if (std::find(files.begin(), files.end(), exact) != files.end()) {
        return exact;
    }
    for (const fs::path& file : files) {
        if (formatNameOfFile(file.filename().string()) == name) {
            return file;
        }
    }
    return std::nullopt;
}

FormatDefinition readFormat(const std::filesystem::path& installDir, const std::string& name)
{
    return decodeFormat(io::readFileBytes(requireFormatFile(installDir, name), FormatDefinition::kSize));
}

TextDialect readDialect(const std::filesystem::path& installDir, const std::string& name)
{
    return loadDialectOf(requireFormatFile(installDir, name));
}

void saveFormat(const std::filesystem::path& installDir, const FormatDefinition& format, const std::string& name)
{
    std::optional<fs::path> file = findFormatFile(installDir, name);
    const bool created = !file;
    if (created) {
        requirePlainName(name);
        file = formatFilePath(installDir, name);
    }
    const FormatBytes bytes = encodeFormat(format);
    io::replaceFile(*file, bytes.data(), bytes.size());
    if (created) {
        // A dialect left by a format deleted outside the program would otherwise apply to this one.
        saveDialectOf(*file, TextDialect{});
    }
}

void saveFormat(const std::filesystem::path& installDir, const FormatDefinition& format, const TextDialect& dialect,
                const std::string& name)
{
    if (const std::string fault = dialectFault(format, dialect); !fault.empty()) {
        throw DialectRefused(fault);
    }
    std::optional<fs::path> file = findFormatFile(installDir, name);
    if (!file) {
        requirePlainName(name);
        file = formatFilePath(installDir, name);
    }
    // The record and its dialect change together or not at all. Both are written beside first;
    // the dialect is put in place first and the record last, and when the record cannot be put
    // in place the old dialect is put back: an older version reads the record alone, and a
    // record must never be read with a dialect that is not its own.
    const FormatBytes bytes = encodeFormat(format);
    io::StagedFile record(*file, bytes.data(), bytes.size());
    const fs::path dialectFile = dialectPathOf(*file);
    std::error_code ec;
    const bool hadDialect = fs::exists(fs::symlink_status(dialectFile, ec));
    const std::string oldDialect = hadDialect ? io::readFileText(dialectFile) : std::string();
    saveDialectOf(*file, dialect);
    try {
        record.commit();
    } catch (const io::FileError&) {
        try {
            if (hadDialect) {
                io::replaceFile(dialectFile, oldDialect);
            } else {
                ::unlink(dialectFile.c_str());
            }
        } catch (const io::FileError&) {
            // The record's own failure is the one to report.
        }
        throw;
    }
}

void renameFormat(const std::filesystem::path& installDir, const std::string& from, const std::string& to)
{
    requirePlainName(to);
    const fs::path source = requireFormatFile(installDir, from);
    const fs::path target = formatFilePath(installDir, to);
    if (findFormatFile(installDir, to)) {
        throw io::FileError("Cannot rename file", target, EEXIST);
    }
    if (const int error = io::renameWithoutReplacing(source, target); error != 0) {
        throw io::FileError("Cannot rename file", source, error);
    }
    const fs::path sourceDialect = dialectPathOf(source);
    const fs::path targetDialect = dialectPathOf(target);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(sourceDialect, ec))) {
        saveDialectOf(target, TextDialect{}); // one left by a deleted format is not this one's
        return;
    }
    // No format is listed as `to`, so a dialect of that name was left behind and may be replaced.
    if (std::rename(sourceDialect.c_str(), targetDialect.c_str()) != 0) {
        const int error = errno;
        io::renameWithoutReplacing(target, source); // the format stays whole under its old name
        throw io::FileError("Cannot rename file", sourceDialect, error);
    }
}

void deleteFormat(const std::filesystem::path& installDir, const std::string& name)
{
    const fs::path file = requireFormatFile(installDir, name);
    if (::unlink(file.c_str()) != 0) {
        throw io::FileError("Cannot delete file", file, errno);
    }
    saveDialectOf(file, TextDialect{});
}

} // namespace mervalon::formats
