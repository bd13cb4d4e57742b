#include "core/engine/RunLog.h"

#include "core/io/FileIo.h"

#include <ctime>
#include <system_error>

namespace mervalon::engine {

RunLog::RunLog(const std::filesystem::path& path) : m_path(path)
{
    if (!m_file.open(path)) {
        const int error = m_file.errorNumber();
        throw io::FileError("Cannot create file", path, error);
    }
}

RunLog::RunLog() : m_inMemory(true) {}

RunLog::~RunLog()
{
    if (m_file.isOpen()) {
        writeOut();
        m_file.close();
    }
}

void RunLog::writeOut()
{
    if (!m_buffer.empty() && m_file.isOpen()) {
        m_file.append(m_buffer);
    }
    m_writtenOut += m_buffer.size();
    m_buffer.clear();
}

RunLog::Mark RunLog::mark() const
{
    return Mark{
        m_buffer.size(), m_writtenOut, m_errorLines, m_warningLines, m_errorSink != nullptr ? m_errorSink->size() : 0,
        m_hasErrors};
}

bool RunLog::takeBack(const Mark& mark)
{
    if (m_writtenOut != mark.writtenOut || m_buffer.size() < mark.held) {
        return false;
    }
    m_buffer.resize(mark.held);
    m_errorLines = mark.errorLines;
    m_warningLines = mark.warningLines;
    m_hasErrors = mark.hasErrors;
    if (m_errorSink != nullptr && m_errorSink->size() > mark.collected) {
        m_errorSink->resize(mark.collected);
    }
    return true;
}

void RunLog::line(std::string_view text)
{
    if (text.starts_with("  ! ")) {
        if (text.starts_with("  ! Error")) {
            m_hasErrors = true;
            ++m_errorLines;
            if (m_errorSink != nullptr) {
                m_errorSink->emplace_back(text);
            }
        } else {
            ++m_warningLines;
        }
    }
    m_buffer += text;
    m_buffer += "\r\n";
    if (m_inMemory) {
        return;
    }
    // A block is held until it ends, up to a size that keeps memory small; beyond it the report
    // is held for this block while it is written out in pieces.
    if (m_file.holding() ? m_buffer.size() >= kWriteOutSize : m_buffer.size() >= kHoldSize) {
        m_file.hold();
        writeOut();
    }
}

void RunLog::flush()
{
    if (m_inMemory) {
        return;
    }
    writeOut();
    m_file.release();
}

void RunLog::appendSection(RunLog& section)
{
    m_hasErrors = m_hasErrors || section.m_hasErrors;
    m_errorLines += section.m_errorLines;
    m_warningLines += section.m_warningLines;
    // Whatever waits here (the header, before the first block) goes out with the section.
    if (m_buffer.empty()) {
        m_buffer.swap(section.m_buffer);
    } else {
        m_buffer += section.m_buffer;
    }
    std::string().swap(section.m_buffer); // a long section's memory is not kept for the next
    section.m_hasErrors = false;
    section.m_errorLines = 0;
    section.m_warningLines = 0;
}

void RunLog::close()
{
    if (m_inMemory) {
        return;
    }
    if (m_file.isOpen()) {
        writeOut();
    }
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
