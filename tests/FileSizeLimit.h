#pragma once
// A real write failure without a real full disk, for the tests of every layer.

#include <csignal>
#include <sys/resource.h>

namespace mervalon::testsupport {

/// While it lives, every write of this process beyond `bytes` into one file fails with EFBIG,
/// as a full disk would make it fail: a real write error without a real full disk.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace mervalon::testsupport
