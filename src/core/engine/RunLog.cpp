#include "core/engine/RunLog.h"

#include "core/io/FileIo.h"

#include <ctime>
#include <system_error>

namespace mervalon::engine {

RunLog::RunLog(const std::filesystem::path& path)
    : m_path(path)
{
    if (!m_file.open(path)) {
        const int error = m_file.errorNumber();
        throw io::FileError("Cannot create file", path, error);
    }
}

RunLog::~RunLog()
{
    if (m_file.isOpen()) {
        m_file.close();
    }
}

void RunLog::line(std::string_view text)
{
    if (text.starts_with("  ! ")) {
        if (text.starts_with("  ! Error")) {
            m_hasErrors = true;
            ++m_errorLines;
        } else {
            ++m_warningLines;
        }
    }
    m_file.append(text);
    m_file.append("\r\n");
    if (m_file.buffered() >= kWriteOutSize) {
        m_file.flush();
    }
}

void RunLog::flush() { m_file.flush(); }

void RunLog::close()
{
    if (!m_file.isOpen()) {
        if (m_file.failed()) {
            throw io::FileError("Cannot write file", m_path, m_file.errorNumber());
        }
        return;
    }
    if (!m_file.close()) {
        const int error = m_file.errorNumber();
        throw io::FileError("Cannot write file", m_path, error);
    }
}

std::string reportTimestamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, "%x %X", &local);
    return std::string(text, length);
}

} // namespace mervalon::engine
