// mervalon-convert --codes: the library chosen by name or file, its report lines, and a faulty
// library stopping the run before anything is written.
#include "CliTestFolder.h"
#include "cli/ConvertCommand.h"
#include "cli/ConvertOptions.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using mervalon::cli::parseConvertOptions;
using mervalon::cli::runConvert;

namespace {

class CodesCommandTest : public mervalon::clitest::CliTestFolder {
  protected:
    CodesCommandTest() : CliTestFolder("mervalon-codes-cli") {}
    void SetUp() override
    {
        CliTestFolder::SetUp();
        fs::copy(fs::path(MERVALON_SOURCE_DIR) / "examples" / "coded-survey.txt", m_dir / "points");
    }

    int run(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), "--install-dir=" + path("install"));
        messages.str("");
        return runConvert(parseConvertOptions(arguments), messages, false, output, input);
    }

    // The report's block of the one file converted, from its title to its end.
    std::string fileBlock() const
    {
        const std::string report = read(m_dir / "install" / "mervalon40.log");
        const std::size_t start = report.find("Point file : ");
        return start == std::string::npos ? report : report.substr(start);
    }

    std::ostringstream messages;
    std::ostringstream output;
    std::istringstream input;
};

} // namespace

TEST(CodesOption, TakesALibraryNameOrFile)
{
    EXPECT_FALSE(parseConvertOptions({"a.txt"}).codeLibrary.has_value());
    EXPECT_EQ(parseConvertOptions({"--codes", "road-and-building", "a.txt"}).codeLibrary, "road-and-building");
    EXPECT_EQ(parseConvertOptions({"--codes=my codes.csv", "a.txt"}).codeLibrary, "my codes.csv");
    try {
        parseConvertOptions({"a.txt", "--codes"});
        ADD_FAILURE() << "no refusal";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "--codes needs a value");
    }
    EXPECT_NE(mervalon::cli::convertHelpText().find("\n  --codes LIBRARY     "), std::string::npos);
}

TEST_F(CodesCommandTest, ShippedLibraryReportsTheLinesByCode)
{
    EXPECT_EQ(run({"--codes", "road-and-building", path("points/coded-survey.txt")}), 0) << messages.str();
    const std::string report = read(m_dir / "install" / "mervalon40.log");
    EXPECT_NE(report.find("\r\n>> Code library : " + path("install/codes/road-and-building.csv") + "\r\n\r\n"),
              std::string::npos)
        << report;
    const std::string title = "Point file : " + path("points/coded-survey.txt");
    EXPECT_EQ(fileBlock(), title + "\r\n" + std::string(title.size(), '-') +
                               "\r\n>> Lines by code\r\n"
                               "    BLD   : 1 line, 1 closed\r\n"
                               "    EP    : 2 lines, 0 closed\r\n"
                               "    FENCE : 1 line, 0 closed\r\n"
                               "    KERB  : 1 line, 0 closed\r\n"
                               "\r\n>> 19 lines processed.\r\n>> Dxf file created: " +
                               path("points/coded-survey.dxf") + "\r\n\r\n\r\n");
    const std::string drawing = read(m_dir / "points" / "coded-survey.dxf");
    EXPECT_NE(drawing.find("\r\nBLOCKS\r\n"), std::string::npos);
    EXPECT_NE(drawing.find("  0\r\nINSERT\r\n"), std::string::npos);
}

TEST_F(CodesCommandTest, OwnLibraryFileWithUnknownCodesAndLinesOfOnePoint)
{
    write("mine.csv", "code;layer;line\nEP*;EDGE;3d\n");
    write("points/few.txt", "1,0,0,0,EP1,0\r\n2,1,0,0,TREE,0\r\n3,2,0,0,tree,0\r\n4,3,0,0,EP2,0\r\n5,4,0,0,EP2,0\r\n");
    EXPECT_EQ(run({"--codes", path("mine.csv"), path("points/few.txt")}), 0) << messages.str();
    const std::string title = "Point file : " + path("points/few.txt");
    EXPECT_EQ(fileBlock(),
              title + "\r\n" + std::string(title.size(), '-') +
                  "\r\n  ! Warning in line 1: The line of EP1 has one point, it is not drawn !\r\n"
                  "  ! Warning: Code \"TREE\" is not in the code library, 2 points drawn on the configuration's "
                  "layers !\r\n"
                  ">> Lines by code\r\n"
                  "    EP : 1 line, 0 closed\r\n"
                  "\r\n>> 5 lines processed.\r\n>> Dxf file created: " +
                  path("points/few.dxf") + "\r\n\r\n\r\n");
}

TEST_F(CodesCommandTest, FaultyLibraryStopsTheRunBeforeAnythingIsWritten)
{
    const struct {
        const char* library;
        const char* message;
    } cases[] = {
        {"code,layer,line\nEP*,EDGE,3d\nKERB,KERB,curved\n", "line 3: the line \"curved\" is none of none, 3d and 2d"},
        {"code,layer,symbol\nOAK,VEG,ACORN\n", "line 2: the symbol \"ACORN\" is not in the symbol library"},
        {"code,layer\nMH,DRAIN\nmh,DRAIN\n", "line 3: the code \"mh\" is given twice (first in line 2)"},
    };
    const fs::path log = m_dir / "install" / "mervalon40.log";
    fs::remove(log);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.library);
        write("install/codes/faulty.csv", c.library);
        EXPECT_EQ(run({"--codes", "faulty", "--dest", path("made"), path("points/coded-survey.txt")}), 2);
        EXPECT_EQ(messages.str(),
                  "mervalon-convert: Code library \"" + path("install/codes/faulty.csv") + "\", " + c.message + "\n");
        EXPECT_FALSE(fs::exists(log));
        EXPECT_FALSE(fs::exists(m_dir / "made"));
    }
    EXPECT_EQ(run({"--codes", "missing", path("points/coded-survey.txt")}), 2);
    EXPECT_EQ(messages.str(), "mervalon-convert: Code library \"" + path("install/codes/missing.csv") +
                                  "\" cannot be read: No such file or directory\n");
    EXPECT_FALSE(fs::exists(m_dir / "points" / "coded-survey.dxf"));
}

TEST(CodesOption, TheCommandLineWinsOverTheConfigurationsOptions)
{
    using mervalon::cli::codeLibraryOf;
    using mervalon::cli::escapesNonAscii;
    mervalon::config::Configuration plain;
    mervalon::config::Configuration coded;
    coded.options.codeLibrary = "road-and-building";
    coded.options.escapeNonAscii = true;
    const struct {
        std::vector<std::string> arguments;
        const mervalon::config::Configuration* configuration;
        const char* library;
        bool escape;
    } cases[] = {
        {{}, &plain, "", false},
        {{}, &coded, "road-and-building", true},
        {{"--codes", "mine.csv"}, &plain, "mine.csv", false},
        {{"--codes", "mine.csv"}, &coded, "mine.csv", true},
        {{"--codes", "none"}, &coded, "", true},
        {{"--escape-non-ascii"}, &plain, "", true},
        {{"--no-escape-non-ascii"}, &coded, "road-and-building", false},
        {{"--no-escape-non-ascii"}, &plain, "", false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = c.arguments;
        arguments.push_back("a.txt");
        const auto options = parseConvertOptions(arguments);
        EXPECT_EQ(codeLibraryOf(options, *c.configuration), c.library) << arguments.front();
        EXPECT_EQ(escapesNonAscii(options, *c.configuration), c.escape) << arguments.front();
    }
    try {
        parseConvertOptions({"--escape-non-ascii", "--no-escape-non-ascii", "a.txt"});
        ADD_FAILURE() << "no refusal";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "--escape-non-ascii and --no-escape-non-ascii say opposite things: give one");
    }
}

// The options beside the configuration in use (and beside a --config file) draw the same bytes
// as the options of the command line.
TEST_F(CodesCommandTest, TheConfigurationsOptionsDrawAsTheCommandLineDoes)
{
    const std::string points = path("points/coded-survey.txt");
    const std::string drawing = path("points/coded-survey.dxf");
    ASSERT_EQ(run({"--codes", "road-and-building", "--escape-non-ascii", points}), 0) << messages.str();
    const std::string byOptions = read(drawing);
    ASSERT_EQ(run({points}), 0) << messages.str();
    const std::string plain = read(drawing);
    ASSERT_NE(plain, byOptions);

    write("install/configurations/!Default.options", "codeLibrary=road-and-building\nescapeNonAscii=yes\n");
    ASSERT_EQ(run({points}), 0) << messages.str();
    EXPECT_EQ(read(drawing), byOptions);
    // "none" and --no-escape-non-ascii set the options aside.
    ASSERT_EQ(run({"--codes", "none", "--no-escape-non-ascii", points}), 0) << messages.str();
    EXPECT_EQ(read(drawing), plain);

    fs::copy_file(m_dir / "install/configurations/!Default.rp4", m_dir / "site.rp4");
    write("site.options", "escapeNonAscii=yes\ncodeLibrary=road-and-building\n");
    fs::remove(m_dir / "install/configurations/!Default.options");
    ASSERT_EQ(run({"--config", path("site.rp4"), points}), 0) << messages.str();
    EXPECT_EQ(read(drawing), byOptions);
}

TEST_F(CodesCommandTest, FaultyOptionsStopTheRunNamingTheirFileAndLine)
{
    write("install/configurations/!Default.options", "codeLibrary=road-and-building\nescapeNonAscii=sometimes\n");
    EXPECT_EQ(run({"--dest", path("made"), path("points/coded-survey.txt")}), 2);
    EXPECT_EQ(messages.str(), "mervalon-convert: \"" + path("install/configurations/!Default.options") +
                                  "\", line 2: escapeNonAscii takes yes or no, not \"sometimes\"\n");
    EXPECT_FALSE(fs::exists(m_dir / "made"));
}

// The attributes of a symbol get the texts' escapes: a letter Windows-1252 lacks always, every
// letter beyond ASCII with --escape-non-ascii; a control character becomes a blank.
TEST_F(CodesCommandTest, AttributesAreEscapedAsTheTextsAre)
{
    // Ż and ł are not in Windows-1252, ó is (0xF3).
    write("points/tree.txt", "13,2025,3022,101.2,TREE \xC5\xBB\xC3\xB3\xC5\x82w,0\n");
    const struct {
        std::vector<std::string> options;
        std::string description;
    } cases[] = {
        {{}, "TREE \\U+017B\xF3\\U+0142w"},
        {{"--escape-non-ascii"}, "TREE \\U+017B\\U+00F3\\U+0142w"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = c.options;
        arguments.insert(arguments.end(), {"--codes", "road-and-building", path("points/tree.txt")});
        ASSERT_EQ(run(arguments), 0) << messages.str();
        const std::string drawing = read(m_dir / "points" / "tree.dxf");
        // The label beside the point and the DESCRIPTION attribute hold the same bytes.
        EXPECT_NE(drawing.find("\r\n  1\r\n" + c.description + "\r\n  7\r\n"), std::string::npos) << c.description;
        EXPECT_NE(drawing.find("\r\n  1\r\n" + c.description + "\r\n  2\r\nDESCRIPTION\r\n"), std::string::npos)
            << drawing;
    }
}
