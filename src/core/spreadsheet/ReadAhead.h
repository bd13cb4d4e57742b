#pragma once
// Bytes made on a thread of their own (a zip part being unpacked) a few buffers ahead of the
// thread that handles them (an XML parser), so that the two work at once on two cores.

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace mervalon::spreadsheet {

class ReadAhead {
  public:
    /// Fills up to `size` bytes at `into` and returns how many it filled, 0 at the end; may throw.
    using Producer = std::function<std::size_t(char* into, std::size_t size)>;

    /// Starts calling `produce` on a thread of its own for pieces of at most `pieceSize` bytes,
    /// gathered into `buffers` buffers of `bufferSize` bytes (at least one piece each).
    explicit ReadAhead(Producer produce, std::size_t buffers = 4, std::size_t bufferSize = std::size_t{256} << 10,
                       std::size_t pieceSize = std::size_t{64} << 10);
    /// Stops the producer (after the piece it is making) and waits for it: the consumer may stop
    /// at any point, by an exception of its own as well.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    /// The next bytes, in the order made; valid until the next call. Empty at the end. When the
    /// producer threw, its exception comes through here once the bytes made before it are taken.
    std::span<const char> next();

  private:
    struct Buffer {
        std::vector<char> bytes;
        std::size_t size = 0;
        bool last = false;
        std::exception_ptr error;
    };

    void produceAll();

    Producer m_produce;
    std::size_t m_pieceSize;
    std::vector<Buffer> m_buffers;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_made = 0;  // buffers filled by the producer (guarded by m_mutex)
    std::size_t m_taken = 0; // buffers handed back by the consumer (guarded by m_mutex)
    bool m_stop = false;     // guarded by m_mutex
    // The consumer's own state.
    bool m_holding = false;
    bool m_finished = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

} // namespace mervalon::spreadsheet
