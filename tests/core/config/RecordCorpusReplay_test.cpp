#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// The record fuzzer's corpus replayed without libFuzzer: every build reads, writes back and
// converts with each kept format, configuration and file-type list.
TEST(RecordCorpusReplay, EveryCorpusFileIsReadWrittenAndUsedCleanly)
{
    const fs::path corpus = fs::path(MERVALON_SOURCE_DIR) / "fuzz/corpus/records";
    ASSERT_TRUE(fs::is_directory(corpus));
    int files = 0;
    for (const auto& item : fs::directory_iterator(corpus)) {
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

} // namespace
