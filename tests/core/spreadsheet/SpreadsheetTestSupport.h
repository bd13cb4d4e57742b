#pragma once
// Shared helpers of the workbook tests: fixture folders, the peer tools (xlwt, xlrd, ssconvert)
// and surgery on a workbook's record stream to build damaged files.

#include "core/spreadsheet/BiffRecords.h"
#include "core/spreadsheet/CompoundFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace mervalon::spreadsheet::test {

namespace fs = std::filesystem;

inline const fs::path& fixtureDir()
{
    static const fs::path dir = fs::path(MERVALON_SOURCE_DIR) / "tests/core/spreadsheet/fixtures";
    return dir;
}

/// A fresh folder for this test program run, removed when the program ends.
inline const fs::path& scratchDir()
{
    struct Scratch {
        fs::path dir = fs::temp_directory_path() / ("mervalon-xls-tests-" + std::to_string(::getpid()));
        Scratch()
        {
            fs::remove_all(dir);
            fs::create_directories(dir);
        }
        ~Scratch()
        {
            std::error_code ignored;
            fs::remove_all(dir, ignored);
        }
    };
    static const Scratch scratch;
    return scratch.dir;
}

/// Exit code of a shell command (-1 when it did not run to completion).
inline int runCommand(const std::string& command)
{
    const int status = std::system(command.c_str());
    return (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
}

inline bool havePython()
{
    return fs::exists("/usr/bin/python3");
}
inline bool haveSsconvert()
{
    return runCommand("command -v ssconvert >/dev/null 2>&1") == 0;
}

/// The xlwt workbooks of make_fixtures.py, generated once per run; nullopt without python3/xlwt.
inline std::optional<fs::path> generatedFixtures()
{
    static const std::optional<fs::path> dir = []() -> std::optional<fs::path> {
        if (!havePython()) {
            return std::nullopt;
        }
        const fs::path d = scratchDir() / "generated";
        const int rc = runCommand("/usr/bin/python3 '" + (fixtureDir() / "make_fixtures.py").string() + "' '" +
                                  d.string() + "' >/dev/null 2>&1");
        return rc == 0 ? std::optional<fs::path>(d) : std::nullopt;
    }();
    return dir;
}

inline Bytes readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// Developers may run the tests on a machine without the peer tools by setting
/// MERVALON_ALLOW_MISSING_PEERS=1; the test command never does, so there a missing peer fails.
inline bool missingPeersAllowed()
{
    const char* allowed = std::getenv("MERVALON_ALLOW_MISSING_PEERS");
    return allowed != nullptr && std::string(allowed) == "1";
}

/// Stops the test when a peer tool is missing: a failure naming the Debian package that
/// scripts/install-deps.sh installs, or a skip when the developer allowed it.
#define MERVALON_REQUIRE_PEER(available, package)                                                                      \
    if (!(available)) {                                                                                                \
        if (::mervalon::spreadsheet::test::missingPeersAllowed()) {                                                    \
            GTEST_SKIP() << package << " is not installed";                                                            \
        }                                                                                                              \
        FAIL() << package << " is not installed (scripts/install-deps.sh installs it)";                                \
    }

/// Workbooks made once per run by a fixture script (`/usr/bin/python3 script folder`) into
/// scratchDir()/`folder`; `missing` names what the script lacked (its exit status 3 names a Debian
/// package on stderr), empty when it made them.
struct MadeWorkbooks {
    fs::path folder;
    std::string missing;
};

inline MadeWorkbooks makeWorkbooks(const std::string& script, const std::string& folder)
{
    MadeWorkbooks result;
    result.folder = scratchDir() / folder;
    const fs::path errors = scratchDir() / (folder + ".err");
    const int rc = runCommand("/usr/bin/python3 '" + (fixtureDir() / script).string() + "' '" + result.folder.string() +
                              "' 2>'" + errors.string() + "'");
    if (rc != 0) {
        result.missing = rc == 3 ? readText(errors) : "python3 (" + script + " failed: " + readText(errors) + ")";
        while (!result.missing.empty() && result.missing.back() == '\n') {
            result.missing.pop_back();
        }
    }
    return result;
}

/// xlrd's view of a workbook (see xlrd_dump.py); nullopt with `skipped` set when xlrd is absent.
inline std::optional<std::string> xlrdDump(const fs::path& workbook, bool& skipped)
{
    skipped = false;
    if (!havePython()) {
        skipped = true;
        return std::nullopt;
    }
    static int dumps = 0;
    const fs::path out = scratchDir() / ("xlrd-" + std::to_string(++dumps) + ".txt");
    const int rc = runCommand("/usr/bin/python3 '" + (fixtureDir() / "xlrd_dump.py").string() + "' '" +
                              workbook.string() + "' '" + out.string() + "' 2>/dev/null");
    if (rc == 3) {
        skipped = true;
        return std::nullopt;
    }
    if (rc != 0) {
        return std::nullopt;
    }
    return readText(out);
}

/// Lines of `dump` that belong to sheet `name`.
inline std::string sheetLines(const std::string& dump, const std::string& name)
{
    std::string result;
    std::size_t pos = 0;
    while (pos < dump.size()) {
        const std::size_t end = dump.find('\n', pos);
        const std::string line = dump.substr(pos, end == std::string::npos ? std::string::npos : end - pos + 1);
        if (line.rfind(name + "|", 0) == 0) {
            result += line;
        }
        pos = end == std::string::npos ? dump.size() : end + 1;
    }
    return result;
}

/// The workbook stream of a compound file, and the file rebuilt around a changed stream.
struct StreamSurgery {
    explicit StreamSurgery(const Bytes& file) : container(file)
    {
        entry = *container.findRootStream({"Workbook", "Book"});
        stream = container.readStream(entry);
    }
    Bytes rebuilt() const { return container.withStreamReplaced(entry, stream); }

    /// Offset of the first record with `id` at or after `from` (records walked from the start).
    std::optional<std::size_t> find(std::uint16_t id, std::size_t from = 0) const
    {
        std::size_t pos = 0;
        while (pos + 4 <= stream.size()) {
            if (pos >= from && loadU16(stream.data() + pos) == id) {
                return pos;
            }
            pos += 4 + std::size_t{loadU16(stream.data() + pos + 2)};
        }
        return std::nullopt;
    }
    /// Inserts a record before offset `at`; sheet positions are not adjusted (callers want that
    /// or insert after the last sheet).
    void insert(std::size_t at, std::uint16_t id, const Bytes& body)
    {
        Bytes record;
        appendU16(record, id);
        appendU16(record, static_cast<std::uint16_t>(body.size()));
        appendBytes(record, body);
        stream.insert(stream.begin() + static_cast<std::ptrdiff_t>(at), record.begin(), record.end());
    }

    CompoundFile container;
    std::uint32_t entry = 0;
    Bytes stream;
};

} // namespace mervalon::spreadsheet::test
