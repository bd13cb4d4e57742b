#include "core/io/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <memory>
#include <system_error>

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
    : std::system_error(errorNumber, std::generic_category())
    , m_message(describeFileError(action, path, errorNumber))
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
    replaceFileBytes(path, data, size);
}

void replaceFileBytes(const std::filesystem::path& path, const void* data, std::size_t size)
{
    // A symbolic link stays a link: the file it points to is replaced.
    std::error_code ec;
    std::filesystem::path target = path;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) {
        const auto resolved = std::filesystem::weakly_canonical(path, ec);
        if (!ec) {
            target = resolved;
        }
    }
    if (std::filesystem::is_directory(target, ec)) {
        throwFileError("Cannot create file", path, EISDIR);
    }
    const std::filesystem::path temporary =
        target.parent_path() / ("." + target.filename().string() + "." + std::to_string(::getpid()) + ".part");
    errno = 0;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        throwFileError("Cannot create file", path, errno != 0 ? errno : EIO);
    }
    const auto* bytes = static_cast<const char*>(data);
    std::size_t left = size;
    int error = 0;
    while (left > 0 && error == 0) {
        const ssize_t written = ::write(fd, bytes, left);
        if (written < 0) {
            error = errno == EINTR ? 0 : errno;
            continue;
        }
        bytes += written;
        left -= static_cast<std::size_t>(written);
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && std::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        throwFileError("Cannot write file", path, error);
    }
}

} // namespace mervalon::io
