#include "core/engine/SharedReportFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mervalon::engine {
namespace {

// Two bytes no report reaches: one a run holds shared while it writes to the report, the other
// the append lock, held exclusively while a block is written (and while a run decides whether
// to empty the report).
constexpr long long kWritingByte = 1LL << 62;
constexpr long long kAppendByte = kWritingByte + 1;

constexpr mode_t kNewFileMode = 0666; // narrowed by the umask, as for any file a program creates

} // namespace

SharedReportFile::~SharedReportFile()
{
    if (isOpen()) {
        close();
    }
}

void SharedReportFile::recordError(int error)
{
    if (m_errorNumber == 0) {
        m_errorNumber = error != 0 ? error : EIO;
    }
}

bool SharedReportFile::lockByte(long long offset, short type, bool wait)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(offset);
    lock.l_len = 1;
    int result = 0;
    do {
        result = ::fcntl(m_fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
    } while (result != 0 && errno == EINTR && wait);
    return result == 0;
}

bool SharedReportFile::open(const std::filesystem::path& path)
{
    // Open for reading too, only because a shared lock needs it; a report we may only write
    // is written without locks.
    bool readable = true;
    for (const int access : {O_RDWR, O_WRONLY}) {
        do {
            m_fd = ::open(path.c_str(), access | O_CREAT | O_APPEND | O_CLOEXEC, kNewFileMode);
        } while (m_fd < 0 && errno == EINTR);
        if (m_fd >= 0 || errno != EACCES) {
            break;
        }
        readable = false;
    }
    if (m_fd < 0) {
        recordError(errno);
        return false;
    }
    // Deciding whether to empty the report is done under the append lock, so that two runs
    // starting at once cannot both empty it, nor one empty it under the other's first block.
    // A run that had to wait for the lock while another wrote the report started beside it,
    // though that one may have ended by now: it joins as well, or it would wipe what that one
    // wrote (runs started together by xargs -P on a busy machine). The report as it was before
    // the wait tells: no run has written it since if it is unchanged.
    struct stat before {};
    const bool known = ::fstat(m_fd, &before) == 0;
    m_locking = readable && lockByte(kAppendByte, F_WRLCK, true);
    bool alone = true;
    if (m_locking) {
        alone = lockByte(kWritingByte, F_WRLCK, false);
        struct stat now {};
        if (alone && known && ::fstat(m_fd, &now) == 0 &&
            (now.st_ino != before.st_ino || now.st_size != before.st_size ||
             now.st_mtim.tv_sec != before.st_mtim.tv_sec || now.st_mtim.tv_nsec != before.st_mtim.tv_nsec ||
             now.st_ctim.tv_sec != before.st_ctim.tv_sec || now.st_ctim.tv_nsec != before.st_ctim.tv_nsec)) {
            alone = false;
        }
        // Shared with the other runs writing; turning our exclusive lock into it never waits.
        lockByte(kWritingByte, F_RDLCK, true);
    }
    m_joined = !alone;
    struct stat status {};
    if (alone && ::fstat(m_fd, &status) == 0 && S_ISREG(status.st_mode) && ::ftruncate(m_fd, 0) != 0) {
        recordError(errno);
    }
    if (m_locking) {
        lockByte(kAppendByte, F_UNLCK, false);
    }
    if (m_errorNumber != 0) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    return true;
}

void SharedReportFile::hold()
{
    if (!m_holding && m_fd >= 0) {
        if (m_locking) {
            lockByte(kAppendByte, F_WRLCK, true);
        }
        m_holding = true;
    }
}

void SharedReportFile::release()
{
    if (m_holding) {
        if (m_locking) {
            lockByte(kAppendByte, F_UNLCK, false);
        }
        m_holding = false;
    }
}

bool SharedReportFile::append(std::string_view text)
{
    if (m_fd < 0 || m_errorNumber != 0) {
        return false;
    }
    const bool wasHolding = m_holding;
    hold();
    while (!text.empty()) {
        const ssize_t written = ::write(m_fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            recordError(errno);
            break;
        }
        if (written == 0) {
            recordError(ENOSPC);
            break;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    if (!wasHolding) {
        release();
    }
    return m_errorNumber == 0;
}

bool SharedReportFile::close()
{
    if (m_fd < 0) {
        return m_errorNumber == 0;
    }
    release();
    // Closing the descriptor drops the locks that remain (the shared one of a writing run).
    if (::close(m_fd) != 0 && errno != EINTR) {
        recordError(errno);
    }
    m_fd = -1;
    return m_errorNumber == 0;
}

} // namespace mervalon::engine
