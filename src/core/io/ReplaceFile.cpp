#include "core/io/ReplaceFile.h"

#include "core/io/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
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

std::filesystem::path temporaryBeside(const std::filesystem::path& path, const std::filesystem::path& folder,
                                      unsigned serial)
{
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "." + std::string when optimising.
    std::string name(1, '.');
    name += path.filename().string();
    name += ".saving-";
    name += std::to_string(::getpid());
    if (serial > 1) {
        name += '-';
        name += std::to_string(serial);
    }
    return folder / name;
}

// Creates the file beside exclusively: O_EXCL refuses any name that exists, a symbolic link
// included, so a link planted under the name can never redirect the save. A name taken (by
// a leftover of an earlier save, or by whoever planted it) gets the next number.
std::filesystem::path createBeside(const std::filesystem::path& path, const std::filesystem::path& folder, mode_t mode,
                                   int& fd)
{
    for (unsigned serial = 1;; ++serial) {
        std::filesystem::path candidate = temporaryBeside(path, folder, serial);
        do {
            fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0 || errno != EEXIST || serial == 1000) {
            return candidate;
        }
    }
}

} // namespace

int writeAll(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, bytes + written, size - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        written += static_cast<std::size_t>(n);
    }
    return 0;
}

void syncFolder(const std::filesystem::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool isWriteProtected(const std::filesystem::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    return (info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

void replaceFile(const std::filesystem::path& path, const void* data, std::size_t size)
{
    StagedFile staged(path, data, size);
    staged.commit();
}

StagedFile::StagedFile(const std::filesystem::path& requested, const void* data, std::size_t size)
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
    const bool exists = ::stat(path.c_str(), &original) == 0;
    const mode_t mode = exists ? (original.st_mode & 07777) : 0644;
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    if (isWriteProtected(path)) {
        throw FileError("Cannot save file", path, EACCES, kWriteProtected);
    }
    int fd = -1;
    const std::filesystem::path temporary = createBeside(path, folder, mode & 0777, fd);
    if (fd < 0) {
        failed(path, errno);
    }
    TemporaryFile file(temporary);
    file.fd() = fd;
    if (const int error = writeAll(file.fd(), data, size); error != 0) {
        failed(path, error);
    }
    if (exists) {
        // Saved by the administrator for its owner, the file stays the owner's; for anyone
        // else this is refused and changes nothing, as it should.
        [[maybe_unused]] const int owned = ::fchown(file.fd(), original.st_uid, original.st_gid);
    }
    if (::fchmod(file.fd(), mode) != 0 || ::fsync(file.fd()) != 0) {
        failed(path, errno);
    }
    fd = file.fd();
    file.fd() = -1;
    if (::close(fd) != 0) {
        failed(path, errno);
    }
    file.keep();
    m_path = path;
    m_temporary = temporary;
    m_folder = folder;
}

StagedFile::~StagedFile()
{
    if (!m_committed) {
        ::unlink(m_temporary.c_str());
    }
}

void StagedFile::commit()
{
    if (std::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
        failed(m_path, errno);
    }
    m_committed = true;
    // The rename is durable once the folder itself is on disk.
    syncFolder(m_folder);
}

int renameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    if (::link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    if (::unlink(from.c_str()) != 0) {
        const int error = errno;
        ::unlink(to.c_str());
        return error;
    }
    return 0;
}

} // namespace mervalon::io
