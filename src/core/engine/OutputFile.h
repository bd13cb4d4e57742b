#pragma once
// A write-only file with one large buffer: the drawing is produced as many small pieces,
// and a system call per piece would dominate the conversion.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace mervalon::engine {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// Creates or truncates the file. False (with errorNumber set) when it cannot be created.
    bool open(const std::filesystem::path& path);

    /// The buffer that callers append to; it is written out when it grows past the threshold.
    std::string& buffer() { return m_buffer; }

    /// Writes the buffer out when it is large enough. Cheap to call after every entity.
    void flushIfFull()
    {
        if (m_buffer.size() >= kThreshold) {
            flush();
        }
    }

    /// Writes out everything buffered. False once any write has failed.
    bool flush();

    /// Flushes and closes. False when any write, the flush or the close failed.
    bool close();

    [[nodiscard]] bool isOpen() const { return m_file != nullptr; }
    [[nodiscard]] bool failed() const { return m_errorNumber != 0; }
    [[nodiscard]] int errorNumber() const { return m_errorNumber; }

private:
    static constexpr std::size_t kThreshold = 1 << 20;
    std::FILE* m_file = nullptr;
    std::string m_buffer;
    int m_errorNumber = 0;
};

} // namespace mervalon::engine
