#include "core/engine/OutputFile.h"

#include "core/io/ReplaceFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mervalon::engine {
namespace {

namespace fs = std::filesystem;

constexpr mode_t kNewFileMode = 0666; // narrowed by the umask, as for any file a program creates

// The file a name stands for: a symbolic link is followed, so that the drawing replaces the
// file it points to and the link stays a link.
fs::path resolved(const fs::path& path)
{
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path target = fs::weakly_canonical(path, ec);
        if (!ec) {
            return target;
        }
    }
    return path;
}

int openNew(const fs::path& path, int extraFlags)
{
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | extraFlags, kNewFileMode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool isDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// ".<name>.<pid>-<n>.part", as temporaryNameFor makes them.
bool isTemporaryName(std::string_view name)
{
    constexpr std::string_view kSuffix = ".part";
    if (name.size() < 2 + kSuffix.size() || name.front() != '.' || !name.ends_with(kSuffix)) {
        return false;
    }
    name.remove_suffix(kSuffix.size());
    const std::size_t dash = name.rfind('-');
    const std::size_t dot = name.rfind('.', dash);
    if (dash == std::string_view::npos || dot == std::string_view::npos || dot == 0) {
        return false;
    }
    return isDigits(name.substr(dash + 1)) && isDigits(name.substr(dot + 1, dash - dot - 1));
}

// A leftover is a file whose lock nobody holds and that has not been written to lately.
bool removeIfLeftOver(const fs::path& path, std::chrono::seconds minimumAge)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool removed = false;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        const std::time_t age = std::time(nullptr) - info.st_mtime;
        removed = age >= minimumAge.count() && ::unlink(path.c_str()) == 0;
    }
    ::close(fd); // releases the lock
    return removed;
}

} // namespace

fs::path OutputFile::temporaryNameFor(const fs::path& path, unsigned serial)
{
    // Appended piece by piece: the one-expression form trips a false -Wrestrict warning of GCC 12.
    std::string name = ".";
    name += path.filename().string();
    name += '.';
    name += std::to_string(::getpid());
    name += '-';
    name += std::to_string(serial);
    name += ".part";
    return path.parent_path() / name;
}

std::size_t OutputFile::removeLeftovers(const fs::path& folder, std::chrono::seconds minimumAge)
{
    std::size_t removed = 0;
    std::error_code ec;
    for (fs::directory_iterator entry(folder.empty() ? fs::path(".") : folder, ec), end; !ec && entry != end;
         entry.increment(ec)) {
        if (isTemporaryName(entry->path().filename().string()) && removeIfLeftOver(entry->path(), minimumAge)) {
            ++removed;
        }
    }
    return removed;
}

OutputFile::~OutputFile()
{
    if (isOpen()) {
        discard();
    }
}

void OutputFile::recordError(int error)
{
    if (m_errorNumber == 0) {
        m_errorNumber = error != 0 ? error : EIO;
    }
}

bool OutputFile::open(const fs::path& path, Placement placement)
{
    if (isOpen()) {
        discard();
    }
    m_holding = false;
    m_errorNumber = 0;
    m_length = 0;
    m_flushed = 0;
    m_seekable = false;
    m_temporary.clear();
    m_final = resolved(path);

    struct stat existing {};
    const bool exists = ::stat(m_final.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        recordError(EISDIR);
        return false;
    }
    if (placement == Placement::Beside && (!exists || S_ISREG(existing.st_mode))) {
        // A write-protected drawing is not replaced behind the user's back, though the folder
        // would allow the rename.
        if (exists && io::isWriteProtected(m_final)) {
            recordError(EACCES);
            return false;
        }
        // O_EXCL makes the name this writer's own (a link planted under it is refused too); a
        // name taken by another writer of this process gets the next number.
        unsigned serial = 0;
        do {
            m_temporary = temporaryNameFor(m_final, ++serial);
            m_fd = openNew(m_temporary, O_EXCL | O_NOFOLLOW);
        } while (m_fd < 0 && errno == EEXIST);
        // Held until the file is closed or the process ends: removeLeftovers takes only files
        // whose writer is gone.
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_EX | LOCK_NB);
        }
    } else {
        m_fd = openNew(m_final, O_TRUNC);
    }
    if (m_fd < 0) {
        recordError(errno);
        m_temporary.clear();
        return false;
    }
    struct stat opened {};
    m_seekable = ::fstat(m_fd, &opened) == 0 && S_ISREG(opened.st_mode);
    reserve(kThreshold + 64 * 1024);
    return true;
}

bool OutputFile::overwrite(std::uint64_t offset, std::string_view bytes)
{
    if (!isOpen() || m_errorNumber != 0 || offset + bytes.size() > position()) {
        return m_errorNumber == 0;
    }
    // The part still in the buffer is changed there; the part written out, in the file.
    std::size_t inFile = 0;
    if (offset < m_flushed) {
        inFile = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), m_flushed - offset));
    }
    if (inFile < bytes.size()) {
        const std::size_t at = static_cast<std::size_t>(offset + inFile - m_flushed);
        std::memcpy(m_storage.data() + at, bytes.data() + inFile, bytes.size() - inFile);
    }
    if (inFile == 0 || !m_seekable) {
        return true;
    }
    std::size_t done = 0;
    while (done < inFile) {
        const ssize_t written = ::pwrite(m_fd, bytes.data() + done, inFile - done, static_cast<off_t>(offset + done));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            recordError(errno);
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

void OutputFile::grow(std::size_t bytes)
{
    m_storage.resize(std::max(m_length + bytes, 2 * m_storage.size()));
}

bool OutputFile::flush()
{
    if (!isOpen() || m_errorNumber != 0) {
        m_length = 0;
        return m_errorNumber == 0;
    }
    const char* data = m_storage.data();
    std::size_t left = m_length;
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            recordError(errno);
            break;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
        m_flushed += static_cast<std::uint64_t>(written);
    }
    m_length = 0;
    return m_errorNumber == 0;
}

void OutputFile::closeDescriptor()
{
    if (m_fd >= 0 && ::close(m_fd) != 0 && errno != EINTR) {
        recordError(errno);
    }
    m_fd = -1;
}

void OutputFile::removeTemporary()
{
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
}

bool OutputFile::close()
{
    if (!isOpen()) {
        return m_errorNumber == 0;
    }
    flush();
    // The data must be on disk before the new name points at it, or a crash could leave an
    // empty drawing where the older one was.
    if (!m_temporary.empty() && m_errorNumber == 0 && ::fsync(m_fd) != 0) {
        recordError(errno);
    }
    closeDescriptor();
    if (!m_temporary.empty()) {
        if (m_errorNumber == 0 && std::rename(m_temporary.c_str(), m_final.c_str()) != 0) {
            recordError(errno);
        }
        if (m_errorNumber != 0) {
            removeTemporary();
        }
        m_temporary.clear();
    }
    return m_errorNumber == 0;
}

void OutputFile::discard()
{
    m_length = 0;
    closeDescriptor();
    removeTemporary();
}

void OutputFile::replaceHeld(std::size_t offset, std::size_t length, std::string_view text)
{
    if (offset > m_length || length > m_length - offset) {
        return;
    }
    if (text.size() > length) {
        reserve(text.size() - length);
    }
    char* at = m_storage.data() + offset;
    std::memmove(at + text.size(), at + length, m_length - offset - length);
    if (!text.empty()) {
        std::memcpy(at, text.data(), text.size());
    }
    m_length = m_length - length + text.size();
}

} // namespace mervalon::engine
