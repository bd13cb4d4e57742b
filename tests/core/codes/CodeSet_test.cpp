#include "core/codes/CodeSet.h"
#include "core/codes/SymbolLibrary.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

using mervalon::codes::blockDefinition;
using mervalon::codes::CodeLibraryError;
using mervalon::codes::codeLibraryPath;
using mervalon::codes::loadCodeSet;
using mervalon::codes::SymbolFileError;
using mervalon::codes::SymbolLibrary;

namespace fs = std::filesystem;

namespace {

const fs::path kShipped = fs::path(MERVALON_SOURCE_DIR) / "data" / "install";

std::string crlf(std::initializer_list<const char*> lines)
{
    std::string out;
    for (const char* line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

class CodeSetTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() / ("mervalon-codes-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "codes");
        fs::create_directories(m_dir / "symbols");
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void write(const fs::path& relative, const std::string& content) const
    {
        std::ofstream(m_dir / relative, std::ios::binary) << content;
    }

    std::string errorOf(const std::string& choice) const
    {
        try {
            loadCodeSet(choice, m_dir);
        } catch (const CodeLibraryError& error) {
            return error.what();
        }
        return "(no error)";
    }

    fs::path m_dir;
};

} // namespace

TEST(SymbolLibrary, BlockDefinitionKeepsTheEntitiesWithoutHandlesAndAddsTheAttributes)
{
    const std::string file = "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  8\n0\n  2\nmine\n 70\n0\n 10\n0.0\n 20\n0.0\n"
                             " 30\n0.0\n  3\nmine\n  0\nCIRCLE\n  5\n2F\n  8\n0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n"
                             " 40\n0.5\n  0\nATTDEF\n  8\n0\n  2\nOLD\n  0\nENDBLK\n  8\n0\n  0\nENDSEC\n  0\nEOF\n";
    EXPECT_EQ(blockDefinition("MINE", file, "MINE.dxf"),
              crlf({"  0", "BLOCK", "  8", "0",           "  2", "MINE",        " 70", "2",      " 10", "0.0",
                    " 20", "0.0",   " 30", "0.0",         "  3", "MINE",        "  0", "CIRCLE", "  8", "0",
                    " 10", "0.0",   " 20", "0.0",         " 30", "0.0",         " 40", "0.5",    "  0", "ATTDEF",
                    "  8", "0",     " 10", "0.0",         " 20", "0.0",         " 30", "0.0",    " 40", "0.25",
                    "  1", "",      "  3", "NUMBER",      "  2", "NUMBER",      " 70", "1",      "  0", "ATTDEF",
                    "  8", "0",     " 10", "0.0",         " 20", "0.0",         " 30", "0.0",    " 40", "0.25",
                    "  1", "",      "  3", "ELEVATION",   "  2", "ELEVATION",   " 70", "1",      "  0", "ATTDEF",
                    "  8", "0",     " 10", "0.0",         " 20", "0.0",         " 30", "0.0",    " 40", "0.25",
                    "  1", "",      "  3", "DESCRIPTION", "  2", "DESCRIPTION", " 70", "1",      "  0", "ENDBLK",
                    "  8", "0"}));
}

TEST(SymbolLibrary, FaultySymbolFilesAreRefusedNamingThem)
{
    const struct {
        const char* content;
        const char* message;
    } cases[] = {
        {"", "the symbol file \"X.dxf\" holds no BLOCK"},
        {"  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n", "the symbol file \"X.dxf\" holds no BLOCK"},
        {"  0\nBLOCK\n  2\nX\n  0\nLINE\n", "the symbol file \"X.dxf\" holds a BLOCK without ENDBLK"},
        {"  0\nBLOCK\nLINE\n0\n", "the symbol file \"X.dxf\" is no DXF file: line 3 holds no group code"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        try {
            blockDefinition("X", c.content, "X.dxf");
            ADD_FAILURE() << "no error";
        } catch (const SymbolFileError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST(SymbolLibrary, ShippedSymbolsAreAllBlocks)
{
    const SymbolLibrary symbols = SymbolLibrary::inFolder(kShipped / "symbols");
    const std::vector<std::string> names{"TREE", "MANHOLE", "POLE", "CROSS", "CIRCLE", "TRIANGLE", "SQUARE"};
    for (const std::string& name : names) {
        EXPECT_TRUE(symbols.contains(name)) << name;
        EXPECT_TRUE(symbols.contains("tree"));
    }
    const auto blocks = symbols.definitions(names);
    ASSERT_EQ(blocks.size(), names.size());
    for (const auto& [name, definition] : blocks) {
        EXPECT_EQ(definition.rfind("  0\r\nBLOCK\r\n  8\r\n0\r\n  2\r\n" + name + "\r\n", 0), 0U) << name;
    }
}

TEST(CodeSet, ShippedLibraryLoadsWithItsSymbols)
{
    const auto set = loadCodeSet("road-and-building", kShipped);
    EXPECT_EQ(set.path, kShipped / "codes" / "road-and-building.csv");
    EXPECT_GE(set.library.rows().size(), 10U);
    for (const char* symbol : {"TREE", "MANHOLE", "POLE", "CROSS", "TRIANGLE"}) {
        EXPECT_TRUE(set.blocks.contains(symbol)) << symbol;
    }
    EXPECT_FALSE(set.blocks.contains("SQUARE")); // no row uses it
}

TEST_F(CodeSetTest, ChoiceIsANameOfTheInstallationOrAFile)
{
    EXPECT_EQ(codeLibraryPath("roads", m_dir), m_dir / "codes" / "roads.csv");
    EXPECT_EQ(codeLibraryPath("my.CSV", m_dir), fs::path("my.CSV"));
    EXPECT_EQ(codeLibraryPath("sub/roads", m_dir), fs::path("sub/roads"));
}

TEST_F(CodeSetTest, ErrorsNameTheFileAndTheRow)
{
    write("codes/bad.csv", "code,layer,symbol\nTREE,VEG,OAK\n");
    write("codes/faulty-symbol.csv", "code,layer,symbol\nTREE,VEG,TREE\n");
    write("symbols/TREE.dxf", "  0\nSECTION\n");
    const std::string codes = (m_dir / "codes").string();
    EXPECT_EQ(errorOf("bad"),
              "Code library \"" + codes + "/bad.csv\", line 2: the symbol \"OAK\" is not in the symbol library");
    EXPECT_EQ(errorOf("faulty-symbol"), "Code library \"" + codes + "/faulty-symbol.csv\": the symbol file \"" +
                                            (m_dir / "symbols" / "TREE.dxf").string() + "\" holds no BLOCK");
    EXPECT_EQ(errorOf("missing"),
              "Code library \"" + codes + "/missing.csv\" cannot be read: No such file or directory");
}
