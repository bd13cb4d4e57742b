#include "core/io/ReplaceFile.h"

#include "core/io/FileIo.h"

#include <cerrno>
#include <system_error>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace mervalon::io {
namespace {

[[noreturn]] void failed(const std::filesystem::path& path, int error)
{
    throw FileError("Cannot save file", path, error);
}

// The file being written; removed unless it has become the real one.
class TemporaryFile {
public:
    explicit TemporaryFile(std::filesystem::path path) : m_path(std::move(path)) {}
    ~TemporaryFile()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        if (!m_kept) {
            ::unlink(m_path.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int& fd() { return m_fd; }
    void keep() { m_kept = true; }

private:
    std::filesystem::path m_path;
    int m_fd = -1;
    bool m_kept = false;
};

std::filesystem::path temporaryBeside(const std::filesystem::path& path, const std::filesystem::path& folder)
{
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "." + std::string when optimising.
    std::string name(1, '.');
    name += path.filename().string();
    name += ".saving-";
    name += std::to_string(::getpid());
    return folder / name;
}

} // namespace

void replaceFile(const std::filesystem::path& requested, const void* data, std::size_t size)
{
    // A symbolic link stays a link: the file it points to is replaced.
    std::filesystem::path path = requested;
    std::error_code ec;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(requested, ec))) {
        const auto resolved = std::filesystem::weakly_canonical(requested, ec);
        if (!ec) {
            path = resolved;
        }
    }
    struct stat original {};
    const mode_t mode = ::stat(path.c_str(), &original) == 0 ? (original.st_mode & 07777) : 0644;
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    const std::filesystem::path temporary = temporaryBeside(path, folder);
    TemporaryFile file(temporary);
    file.fd() = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (file.fd() < 0) {
        failed(path, errno);
    }
    const auto* bytes = static_cast<const char*>(data);
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(file.fd(), bytes + written, size - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            failed(path, errno);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fchmod(file.fd(), mode) != 0 || ::fsync(file.fd()) != 0) {
        failed(path, errno);
    }
    const int fd = file.fd();
    file.fd() = -1;
    if (::close(fd) != 0) {
        failed(path, errno);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        failed(path, errno);
    }
    file.keep();
    // The rename is durable once the folder itself is on disk; a failure here loses nothing.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace mervalon::io
