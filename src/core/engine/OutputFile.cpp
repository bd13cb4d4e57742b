#include "core/engine/OutputFile.h"

#include <cerrno>

namespace mervalon::engine {

OutputFile::~OutputFile()
{
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

bool OutputFile::open(const std::filesystem::path& path)
{
    errno = 0;
    m_file = std::fopen(path.c_str(), "wb");
    if (m_file == nullptr) {
        m_errorNumber = errno != 0 ? errno : EIO;
        return false;
    }
    // Our own buffer already batches the writes; a second one in stdio would only copy.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    m_errorNumber = 0;
    m_buffer.clear();
    m_buffer.reserve(kThreshold + 64 * 1024);
    return true;
}

bool OutputFile::flush()
{
    if (m_file == nullptr || m_errorNumber != 0) {
        m_buffer.clear();
        return m_errorNumber == 0;
    }
    if (!m_buffer.empty()) {
        errno = 0;
        if (std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size()) {
            m_errorNumber = errno != 0 ? errno : EIO;
        }
        m_buffer.clear();
    }
    return m_errorNumber == 0;
}

bool OutputFile::close()
{
    if (m_file == nullptr) {
        return m_errorNumber == 0;
    }
    flush();
    errno = 0;
    if (std::fflush(m_file) != 0 && m_errorNumber == 0) {
        m_errorNumber = errno != 0 ? errno : EIO;
    }
    if (std::fclose(m_file) != 0 && m_errorNumber == 0) {
        m_errorNumber = errno != 0 ? errno : EIO;
    }
    m_file = nullptr;
    return m_errorNumber == 0;
}

} // namespace mervalon::engine
