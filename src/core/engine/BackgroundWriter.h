#pragma once
// Writes a file's buffers on a thread of its own: while the kernel copies one full buffer into
// the file on one core, the caller fills the next on another. The caller hands over a buffer
// only once the write before it is done, so the file receives the buffers whole and in order.

#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace mervalon::engine {

/// Writes all of `data` to `fd`, going on after short writes and interruptions. Returns 0, or
/// the system's error number of the write that failed.
int writeFully(int fd, std::string_view data);

class BackgroundWriter {
public:
    /// Starts the thread writing to `fd`, which must stay open until the writer is destroyed.
    /// Throws std::system_error when no thread can be started.
    explicit BackgroundWriter(int fd);
    /// Lets the write in flight finish, then ends the thread.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    /// Waits until the buffer handed over last has been written. Returns 0, or the system's
    /// error number when writing it failed (said once).
    int wait();

    /// Hands `data` over to be written and gives back, in `data`, an empty buffer with the
    /// room of the one written before, so that no buffer is ever allocated twice. Call only
    /// after wait().
    void start(std::string& data);

private:
    void run();

    int m_fd;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_data; // the buffer being written; the writer's own while m_busy
    bool m_busy = false;
    bool m_quit = false;
    int m_error = 0;
    std::thread m_thread; // started last, once everything it uses is in place
};

} // namespace mervalon::engine
