#include "core/config/ExtensionList.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <system_error>
#include <unistd.h>

namespace {

using mervalon::config::buildMask;
using mervalon::config::displayName;
using mervalon::config::ExtensionList;
using mervalon::config::extensionsText;
using mervalon::config::makeExtensionLine;
using mervalon::config::maskPatterns;
using mervalon::config::splitExtensions;

struct LineCase {
    const char* line;
    const char* name;
    const char* extensions;
    const char* mask;
};

class ExtensionLine : public testing::TestWithParam<LineCase> {};

TEST_P(ExtensionLine, givesNameExtensionsAndMask)
{
    const LineCase& c = GetParam();
    EXPECT_EQ(displayName(c.line), c.name);
    EXPECT_EQ(extensionsText(c.line), c.extensions);
    EXPECT_EQ(buildMask(splitExtensions(extensionsText(c.line))), c.mask);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ExtensionLine,
    testing::Values(LineCase{"Text files | txt;asc", "Text files", "txt;asc", "*.txt;*.asc;"},
                    LineCase{"Text files | txt ; ; asc", "Text files", "txt ; ; asc", "*.txt;*.asc;"},
                    LineCase{"Excel files | xls", "Excel files", "xls", "*.xls;"},
                    LineCase{"New | typ", "New", "typ", "*.typ;"},
                    // Only the first bar separates; later ones belong to the extensions.
                    LineCase{"A | b | c", "A", "b | c", "*.b | c;"},
                    // Typed without blanks: nothing of the name or the extensions is lost.
                    LineCase{"Points|pts", "Points", "pts", "*.pts;"},
                    LineCase{"No bar at all", "No bar at all", "", ""}, LineCase{"Empty | ", "Empty", "", ""},
                    LineCase{"Trailing | ;;dat;", "Trailing", ";;dat;", "*.dat;"}));

TEST(SplitExtensions, trimsEachPieceAndDropsEmptyOnes)
{
    EXPECT_EQ(splitExtensions("  txt  ;asc ;;  "), (std::vector<std::string>{"txt", "asc"}));
    EXPECT_TRUE(splitExtensions("").empty());
    EXPECT_TRUE(splitExtensions(" ; ; ").empty());
}

TEST(MaskPatterns, onePatternPerExtension)
{
    EXPECT_EQ(maskPatterns({"txt", "asc"}), (std::vector<std::string>{"*.txt", "*.asc"}));
}

TEST(MakeExtensionLine, putsBlanksAroundTheBar)
{
    EXPECT_EQ(makeExtensionLine("New", "typ"), "New | typ");
}

TEST(ExtensionListParse, splitsAtCrLfAndKeepsOrder)
{
    const auto list = ExtensionList::parse("Text files | txt;asc\r\nExcel files | xls\r\n");
    ASSERT_EQ(list.count(), 2u);
    EXPECT_EQ(list.line(0), "Text files | txt;asc");
    EXPECT_EQ(list.line(1), "Excel files | xls");
    EXPECT_EQ(list.displayNames(), (std::vector<std::string>{"Text files", "Excel files"}));
}

TEST(ExtensionListParse, acceptsLfOnlyAMissingLastLineEndAndBlankLines)
{
    // A blank line keeps its place, so that index 3 is "B | b" as in the file; blank lines after
    // the last type are no types at all.
    const auto list = ExtensionList::parse("A | a\n\r\n   \nB | b\r\n\r\n\n");
    EXPECT_EQ(list.lines(), (std::vector<std::string>{"A | a", "", "   ", "B | b"}));
    EXPECT_EQ(list.extensionsAt(3), (std::vector<std::string>{"b"}));
    EXPECT_TRUE(list.extensionsAt(1).empty());
}

TEST(ExtensionListParse, emptyTextGivesEmptyList)
{
    EXPECT_TRUE(ExtensionList::parse("").empty());
}

TEST(ExtensionListSerialize, endsEveryLineWithCrLf)
{
    const ExtensionList list({"Text files | txt;asc", "New | typ"});
    EXPECT_EQ(list.serialize(), "Text files | txt;asc\r\nNew | typ\r\n");
}

TEST(ExtensionListEdit, appendReplaceAndRemove)
{
    ExtensionList list({"A | a", "B | b"});
    list.append("New | typ");
    list.replace(0, "C | c");
    list.replace(7, "ignored | x");
    EXPECT_EQ(list.lines(), (std::vector<std::string>{"C | c", "B | b", "New | typ"}));
    EXPECT_TRUE(list.remove(1));
    EXPECT_FALSE(list.remove(5));
    EXPECT_EQ(list.lines(), (std::vector<std::string>{"C | c", "New | typ"}));
}

TEST(ExtensionListEdit, theLastLineCannotBeRemoved)
{
    ExtensionList list({"A | a", "B | b"});
    EXPECT_TRUE(list.remove(0));
    EXPECT_FALSE(list.remove(0));
    EXPECT_EQ(list.lines(), (std::vector<std::string>{"B | b"}));
}

TEST(ExtensionListEdit, extensionsAtIsEmptyOutsideTheList)
{
    const ExtensionList list({"Text files | txt ; ; asc"});
    EXPECT_EQ(list.extensionsAt(0), (std::vector<std::string>{"txt", "asc"}));
    EXPECT_TRUE(list.extensionsAt(1).empty());
}

class ExtensionListFile : public testing::Test {
  protected:
    void SetUp() override
    {
        // Named by process and test: CTest runs each test in a process of its own, side by side,
        // and under ThreadSanitizer two processes place the fixture at the same address.
        m_dir =
            std::filesystem::temp_directory_path() / ("mervalon-ext-" + std::to_string(::getpid()) + "-" +
                                                      testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::filesystem::path m_dir;
};

TEST_F(ExtensionListFile, saveThenLoadGivesTheSameListAndExactBytes)
{
    const ExtensionList list({"Text files | txt;asc", "New | typ"});
    const auto path = m_dir / "mervalon40.ext";
    list.save(path);
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, "Text files | txt;asc\r\nNew | typ\r\n");
    EXPECT_EQ(ExtensionList::load(path), list);
}

TEST_F(ExtensionListFile, loadingAMissingFileThrowsWithItsName)
{
    try {
        (void)ExtensionList::load(m_dir / "absent.ext");
        FAIL() << "no error";
    } catch (const std::system_error& error) {
        EXPECT_NE(std::string(error.what()).find("absent.ext"), std::string::npos);
    }
}

TEST_F(ExtensionListFile, savingIntoAMissingFolderThrows)
{
    const ExtensionList list({"A | a"});
    EXPECT_THROW(list.save(m_dir / "no" / "such" / "mervalon40.ext"), std::system_error);
}

} // namespace
