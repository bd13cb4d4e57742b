#pragma once
// Helpers shared by the engine tests: a fresh folder per test, whole-file reads and writes,
// and a progress sink that counts what it is told and can ask to stop.

#include "FileSizeLimit.h"
#include "core/engine/FieldRows.h"
#include "core/engine/ProgressSink.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace mervalon::enginetest {

namespace fs = std::filesystem;

class TempFolderTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                ("mervalon-engine-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path pathOf(const std::string& name) const { return m_dir / name; }

    fs::path writeFile(const std::string& name, const std::string& content) const
    {
        const fs::path path = m_dir / name;
        std::ofstream out(path, std::ios::binary);
        out << content;
        return path;
    }

    static std::string readFile(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path m_dir;
};

/// Joins lines with CR LF after each, as the drawing and the report end every line.
inline std::string crlf(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

/// Rows built from literal fields, as the readers would produce them.
inline engine::FieldRows rowsOf(const std::vector<std::vector<std::string>>& lines)
{
    engine::FieldRows rows;
    for (const auto& fields : lines) {
        rows.addRow(engine::FieldList(fields.begin(), fields.end()));
    }
    return rows;
}

/// Counts the calls it receives; asks to stop once `stopAfterLines` line positions were set.
class RecordingProgress : public engine::ProgressSink {
  public:
    explicit RecordingProgress(std::size_t stopAfterLines = SIZE_MAX) : m_stopAfterLines(stopAfterLines) {}
    void fileStarted(std::size_t index, std::size_t count) override
    {
        fileStarts.push_back(std::to_string(index) + "/" + std::to_string(count));
    }
    void setLineCount(std::size_t count) override { lineCounts.push_back(count); }
    void setFileLabel(const std::string& path) override { labels.push_back(path); }
    void setLinePosition(std::size_t index) override
    {
        positions.push_back(index);
        if (onLine) {
            onLine(index);
        }
        if (index >= m_stopAfterLines) {
            m_stop = true;
        }
    }
    void pumpEvents() override { ++pumps; }
    [[nodiscard]] bool isStopRequested() const override { return m_stop; }
    void requestStop() { m_stop = true; }

    std::vector<std::string> fileStarts;
    std::vector<std::size_t> lineCounts;
    std::vector<std::string> labels;
    std::vector<std::size_t> positions;
    std::size_t pumps = 0;
    std::function<void(std::size_t)> onLine; ///< called with every line position

  private:
    std::size_t m_stopAfterLines;
    bool m_stop = false;
};

using testsupport::FileSizeLimit;

} // namespace mervalon::enginetest
