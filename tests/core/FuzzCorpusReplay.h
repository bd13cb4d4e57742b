#pragma once
// Replays a fuzzer's kept corpus through its entry point without libFuzzer, so that ordinary and
// sanitizer builds run every input it found worth keeping.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace mervalon::test {

/// Runs every file of "fuzz/corpus/<name>" through the fuzzer linked into this test program;
/// each must return 0 (a crash or a sanitizer report ends the program).
inline void replayFuzzCorpus(const std::string& name)
{
    const std::filesystem::path corpus = std::filesystem::path(MERVALON_SOURCE_DIR) / "fuzz/corpus" / name;
    ASSERT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
    int files = 0;
    for (const auto& item : std::filesystem::directory_iterator(corpus)) {
        if (!item.is_regular_file()) {
            continue;
        }
        SCOPED_TRACE(item.path().filename().string());
        std::ifstream in(item.path(), std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
        ++files;
    }
    EXPECT_GT(files, 0);
}

} // namespace mervalon::test
