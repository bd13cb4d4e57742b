#include "core/spreadsheet/ReadAhead.h"

#include <algorithm>

namespace mervalon::spreadsheet {

ReadAhead::ReadAhead(Producer produce, std::size_t buffers, std::size_t bufferSize, std::size_t pieceSize)
    : m_produce(std::move(produce)), m_pieceSize(std::max<std::size_t>(pieceSize, 1)),
      m_buffers(std::max<std::size_t>(buffers, 1))
{
    for (Buffer& buffer : m_buffers) {
        buffer.bytes.resize(std::max(bufferSize, m_pieceSize));
    }
    m_thread = std::thread([this] { produceAll(); });
}

ReadAhead::~ReadAhead()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void ReadAhead::produceAll()
{
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_made - m_taken < m_buffers.size() || m_stop; });
            if (m_stop) {
                return;
            }
            index = m_made % m_buffers.size();
        }
        // The buffer is the producer's alone until it is counted as made.
        Buffer& buffer = m_buffers[index];
        buffer.size = 0;
        try {
            while (buffer.size + m_pieceSize <= buffer.bytes.size()) {
                const std::size_t got = m_produce(buffer.bytes.data() + buffer.size, m_pieceSize);
                if (got == 0) {
                    buffer.last = true;
                    break;
                }
                buffer.size += got;
                const std::lock_guard lock(m_mutex);
                if (m_stop) {
                    return;
                }
            }
        } catch (...) {
            buffer.error = std::current_exception();
            buffer.last = true;
        }
        {
            const std::lock_guard lock(m_mutex);
            ++m_made;
        }
        m_changed.notify_all();
        if (buffer.last) {
            return;
        }
    }
}

std::span<const char> ReadAhead::next()
{
    if (m_holding) {
        m_holding = false;
        {
            const std::lock_guard lock(m_mutex);
            ++m_taken;
        }
        m_changed.notify_all();
    }
    if (!m_finished) {
        std::size_t index = 0;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_made > m_taken; });
            index = m_taken % m_buffers.size();
        }
        const Buffer& buffer = m_buffers[index];
        if (buffer.last) {
            m_finished = true;
            m_error = buffer.error;
        }
        if (buffer.size > 0) {
            m_holding = true;
            return {buffer.bytes.data(), buffer.size};
        }
    }
    if (m_error) {
        std::rethrow_exception(m_error);
    }
    return {};
}

} // namespace mervalon::spreadsheet
