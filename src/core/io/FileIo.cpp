#include "core/io/FileIo.h"

#include "core/io/ReplaceFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <system_error>
#include <unistd.h>

namespace mervalon::io {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void throwFileError(const std::string& action, const std::filesystem::path& path, int errorNumber)
{
    throw FileError(action, path, errorNumber);
}

FileHandle openOrThrow(const std::filesystem::path& path, const char* mode, const char* action)
{
    errno = 0;
    FileHandle file(std::fopen(path.c_str(), mode));
    if (!file) {
        throwFileError(action, path, errno != 0 ? errno : EIO);
    }
    return file;
}

} // namespace

std::string describeFileError(const std::string& action, const std::filesystem::path& path, int errorNumber)
{
    return action + " \"" + path.string() + "\". " + std::strerror(errorNumber);
}

FileError::FileError(const std::string& action, const std::filesystem::path& path, int errorNumber)
    : std::system_error(errorNumber, std::generic_category()), m_message(describeFileError(action, path, errorNumber))
{
}

FileError::FileError(const std::string& action, const std::filesystem::path& path, int errorNumber,
                     const std::string& reason)
    : std::system_error(errorNumber, std::generic_category()),
      m_message(action + " \"" + path.string() + "\". " + reason)
{
}

std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path, std::size_t limit)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        throwFileError("Cannot open file", path, EISDIR);
    }
    FileHandle file = openOrThrow(path, "rb", "Cannot open file");
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    while (bytes.size() < limit) {
        const std::size_t wanted = std::min(sizeof buffer, limit - bytes.size());
        const std::size_t got = std::fread(buffer, 1, wanted, file.get());
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (got < wanted) {
            if (std::ferror(file.get())) {
                throwFileError("Cannot read file", path, errno != 0 ? errno : EIO);
            }
            break;
        }
    }
    return bytes;
}

std::string readFileText(const std::filesystem::path& path)
{
    const auto bytes = readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// A device or other special file cannot be renamed over; it is written as it is.
void writeInPlace(const std::filesystem::path& path, const void* data, std::size_t size)
{
    FileHandle file = openOrThrow(path, "wb", "Cannot create file");
    errno = 0;
    const bool written = std::fwrite(data, 1, size, file.get()) == size && std::fflush(file.get()) == 0;
    if (!written) {
        throwFileError("Cannot write file", path, errno != 0 ? errno : EIO);
    }
    std::FILE* raw = file.release();
    if (std::fclose(raw) != 0) {
        throwFileError("Cannot write file", path, errno != 0 ? errno : EIO);
    }
}

void writeFileBytes(const std::filesystem::path& path, const void* data, std::size_t size)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
        !std::filesystem::is_directory(status)) {
        writeInPlace(path, data, size);
        return;
    }
    replaceFile(path, data, size);
}

} // namespace mervalon::io
