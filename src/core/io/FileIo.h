#pragma once
// Whole-file reads and writes with the system's error text, for the small files the
// program owns (records, lists, settings files). Large outputs stream through OutputFile.

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace mervalon::io {

/// Reads at most `limit` bytes of the file. Throws std::system_error when it cannot be opened or read.
std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path, std::size_t limit = SIZE_MAX);

/// Reads the whole file as 8-bit text. Throws std::system_error on failure.
std::string readFileText(const std::filesystem::path& path);

/// Writes the file as a whole (see io::replaceFile): a failed write leaves the old file as it
/// was. A device or other special file is written in place. Throws std::system_error when the
/// file cannot be created or the bytes cannot all be written and flushed.
void writeFileBytes(const std::filesystem::path& path, const void* data, std::size_t size);

inline void writeFileText(const std::filesystem::path& path, const std::string& text)
{
    writeFileBytes(path, text.data(), text.size());
}

/// "Cannot open file "<path>". <system text>" style message used by every file failure.
std::string describeFileError(const std::string& action, const std::filesystem::path& path, int errorNumber);

/// A file failure whose what() is exactly describeFileError's message. std::system_error
/// alone would append ": <system text>" a second time to every message shown to the user.
class FileError : public std::system_error {
  public:
    FileError(const std::string& action, const std::filesystem::path& path, int errorNumber);
    /// The same, with `reason` said instead of the system's text for `errorNumber`.
    FileError(const std::string& action, const std::filesystem::path& path, int errorNumber, const std::string& reason);
    const char* what() const noexcept override { return m_message.c_str(); }

  private:
    std::string m_message;
};

} // namespace mervalon::io
