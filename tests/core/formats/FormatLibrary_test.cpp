#include "core/formats/FormatLibrary.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace mervalon::formats {
namespace {

TEST(FormatLibraryTest, NamesAreLowerCasedCutAtTheFirstDotSortedAndDefaultFirst)
{
    const fs::path install = fs::temp_directory_path() / ("mervalon-formats-" + std::to_string(::getpid()));
    fs::remove_all(install);
    fs::create_directories(install / "formats" / "folder.rpf");
    for (const char* file : {"penzd comma.rpf", "Excel PENZDC.rpf", "!default.rpf", "site.v2.rpf", "0first.rpf",
                             "SITE.rpf", "notes.txt", "rpf"}) {
        std::ofstream(install / "formats" / file) << "x";
    }
    EXPECT_EQ(listFormats(install),
              (std::vector<std::string>{"!default", "0first", "excel penzdc", "penzd comma", "site"}));
    fs::remove_all(install);
    EXPECT_TRUE(listFormats(install).empty());
}

} // namespace
} // namespace mervalon::formats
