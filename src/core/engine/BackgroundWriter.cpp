#include "core/engine/BackgroundWriter.h"

#include <cerrno>
#include <unistd.h>

namespace mervalon::engine {

int writeFully(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno != 0 ? errno : EIO;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

BackgroundWriter::BackgroundWriter(int fd)
    : m_fd(fd)
    , m_thread([this] { run(); })
{
}

BackgroundWriter::~BackgroundWriter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

int BackgroundWriter::wait()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy; });
    const int error = m_error;
    m_error = 0;
    return error;
}

void BackgroundWriter::start(std::string& data)
{
    {
        const std::lock_guard lock(m_mutex);
        m_data.swap(data);
        m_busy = true;
    }
    m_changed.notify_all();
}

void BackgroundWriter::run()
{
    std::unique_lock lock(m_mutex);
    while (true) {
        // A buffer handed over is written before the thread ends: the destructor's caller
        // decides what becomes of the file, and must find it as the writes left it.
        m_changed.wait(lock, [this] { return m_busy || m_quit; });
        if (!m_busy) {
            return;
        }
        lock.unlock();
        const int error = writeFully(m_fd, m_data);
        m_data.clear();
        lock.lock();
        m_error = error;
        m_busy = false;
        m_changed.notify_all();
    }
}

} // namespace mervalon::engine
