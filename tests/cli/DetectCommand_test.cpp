#include "CliTestFolder.h"
#include "cli/ConvertCommand.h"
#include "cli/ConvertOptions.h"
#include "cli/DetectCommand.h"
#include "core/formats/FormatLibrary.h"

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
using mervalon::cli::runDetect;

namespace {

// The same points as a German spreadsheet writes them and in the installation's "!default" format.
const std::string kGermanSheet = "Punkt;Rechtswert;Hochwert;H\xC3\xB6he;Beschreibung;Code\r\n"
                                 "1;512340,125;5412345,500;301,20;Bordstein Nord;1\r\n"
                                 "2;512352,410;5412351,220;301,35;Bordstein Nord;2\r\n"
                                 "3;512365,003;5412360,018;301,41;Bordstein Nord;3\r\n"
                                 "4;512370,100;5412365,500;301,50;Baum;0\r\n";
const std::string kPlain = "1,512340.125,5412345.500,301.20,Bordstein Nord,1\r\n"
                           "2,512352.410,5412351.220,301.35,Bordstein Nord,2\r\n"
                           "3,512365.003,5412360.018,301.41,Bordstein Nord,3\r\n"
                           "4,512370.100,5412365.500,301.50,Baum,0\r\n";

class DetectCommandTest : public mervalon::clitest::CliTestFolder {
  protected:
    DetectCommandTest() : CliTestFolder("mervalon-detect") {}
    void SetUp() override
    {
        CliTestFolder::SetUp();
        write("points/sheet.csv", kGermanSheet);
        write("plain/sheet.txt", kPlain);
    }

    int detect(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), "--install-dir=" + m_install);
        results.str("");
        messages.str("");
        return runDetect(parseConvertOptions(arguments), results, messages);
    }

    std::ostringstream results;
    std::ostringstream messages;
};

TEST_F(DetectCommandTest, TheLayoutIsPrintedForPeople)
{
    EXPECT_EQ(detect({"--detect", path("points/sheet.csv")}), mervalon::cli::kNoErrors);
    EXPECT_EQ(results.str(), "File:             " + path("points/sheet.csv") +
                                 "\n"
                                 "Lines examined:   5 (4 read as points)\n"
                                 "Separator:        semicolon (;)\n"
                                 "Decimal mark:     comma\n"
                                 "Quoted fields:    no\n"
                                 "Empty fields:     left out\n"
                                 "Lines skipped:    0\n"
                                 "Header:           line 1: Punkt;Rechtswert;Hochwert;H\xC3\xB6he;Beschreibung;Code\n"
                                 "First point line: 2\n"
                                 "Columns (6 a line):\n"
                                 "  number       1\n"
                                 "  East         2\n"
                                 "  North        3\n"
                                 "  elevation    4\n"
                                 "  description  5\n"
                                 "  code         6\n"
                                 "Confidence:       high (95%), columns named by the header\n");
    EXPECT_EQ(messages.str(), "");
    EXPECT_FALSE(fs::exists(path("install/formats/sheet.rpf")));
}

TEST_F(DetectCommandTest, TheLayoutIsOneJsonObjectWithJson)
{
    write("points/nez.txt", "5012.345,5034.120,101.30\n5020.000,5041.870,101.42\n5031.555,5050.010,101.61\n");
    EXPECT_EQ(detect({"--json", "--detect", path("points/nez.txt")}), mervalon::cli::kNoErrors);
    EXPECT_EQ(
        results.str(),
        "{\"type\":\"layout\",\"file\":\"" + path("points/nez.txt") +
            "\",\"found\":true,\"lines_examined\":3,\"point_lines\":3,\"separator\":\",\","
            "\"decimal_mark\":\"point\",\"quoted_fields\":false,\"keep_empty_fields\":false,\"lines_skipped\":0,"
            "\"header_line\":null,\"first_point_line\":1,\"column_count\":3,\"columns\":{\"number\":null,"
            "\"east\":1,\"north\":2,\"elevation\":3,\"description\":null,\"code\":null},\"named_by_header\":false,"
            "\"east_north_uncertain\":true,\"confidence\":45,\"notes\":[\"East and North cannot be told apart "
            "by their values: taken in PENZ order (East before North); check them\"],\"saved_format\":null}\n");
}

TEST_F(DetectCommandTest, ASavedLayoutConvertsTheFileAsThePlainFormatConvertsTheSamePoints)
{
    EXPECT_EQ(detect({"--detect", path("points/sheet.csv"), "--save-format", "German Sheet"}),
              mervalon::cli::kNoErrors);
    EXPECT_EQ(messages.str(), "mervalon-convert: saved the layout as the format \"german sheet\"\n");
    EXPECT_TRUE(fs::exists(path("install/formats/german sheet.rpf")));
    EXPECT_EQ(fs::file_size(path("install/formats/german sheet.rpf")), 632U);
    const auto dialect = mervalon::formats::readDialect(m_install, "german sheet");
    using mervalon::formats::DecimalMark;
    EXPECT_EQ(dialect, (mervalon::formats::TextDialect{DecimalMark::Comma, false, true, false, true}));
    EXPECT_EQ(mervalon::formats::readFormat(m_install, "german sheet").description, "Detected from sheet.csv");

    std::ostringstream out;
    std::ostringstream notes;
    std::istringstream in;
    ASSERT_EQ(runConvert(parseConvertOptions({"--install-dir=" + m_install, "--format", "german sheet", "--report",
                                              path("detected.log"), path("points/sheet.csv")}),
                         notes, false, out, in),
              mervalon::cli::kNoErrors)
        << notes.str();
    ASSERT_EQ(runConvert(parseConvertOptions({"--install-dir=" + m_install, "--format", "!default", "--report",
                                              path("plain.log"), path("plain/sheet.txt")}),
                         notes, false, out, in),
              mervalon::cli::kNoErrors)
        << notes.str();
    const std::string drawing = read(path("points/sheet.dxf"));
    EXPECT_NE(drawing.find("512340.125"), std::string::npos);
    EXPECT_EQ(drawing, read(path("plain/sheet.dxf")));
}

TEST_F(DetectCommandTest, NothingIsSavedOverAFormatUnderABadNameOrWithoutALayout)
{
    write("points/letter.txt", "Dear colleague,\nplease find the points attached.\n");
    const std::string before = read(path("install/formats/penzd comma.rpf"));
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    } cases[] = {
        {{"--detect", path("points/sheet.csv"), "--save-format", "Penzd Comma"},
         mervalon::cli::kNotStarted,
         "mervalon-convert: a format \"penzd comma\" already exists; choose another name, or delete it first\n"},
        {{"--detect", path("points/sheet.csv"), "--save-format", "a.b"},
         mervalon::cli::kNotStarted,
         "mervalon-convert: \"a.b\" cannot be the name of a format: it holds a \".\"\n"},
        {{"--detect", path("points/sheet.csv"), "--save-format", "  "},
         mervalon::cli::kNotStarted,
         "mervalon-convert: \"\" cannot be the name of a format: it is empty\n"},
        {{"--detect", path("points/letter.txt"), "--save-format", "letter"},
         mervalon::cli::kErrorsReported,
         "mervalon-convert: no layout of points found in \"" + path("points/letter.txt") + "\"; no format was saved\n"},
        {{"--detect", path("points/missing.txt")},
         mervalon::cli::kNotStarted,
         "mervalon-convert: Cannot open file \"" + path("points/missing.txt") + "\". No such file or directory\n"},
        {{"--detect", path("points")},
         mervalon::cli::kNotStarted,
         "mervalon-convert: \"" + path("points") + "\" is a folder, not a point file\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(detect(c.arguments), c.status) << c.arguments[1];
        EXPECT_EQ(messages.str(), c.message);
    }
    EXPECT_EQ(read(path("install/formats/penzd comma.rpf")), before);
    EXPECT_EQ(mervalon::formats::listFormats(m_install).size(), 7U);
}

TEST_F(DetectCommandTest, AConversionWithADialectThatDoesNotFitItsFormatDoesNotStart)
{
    std::ostringstream out;
    std::ostringstream notes;
    std::istringstream in;
    const auto convert = [&]() {
        notes.str("");
        return runConvert(parseConvertOptions({"--install-dir=" + m_install, "--format", "penzd comma", "--report",
                                               path("run.log"), path("plain/sheet.txt")}),
                          notes, false, out, in);
    };
    write("install/formats/penzd comma.dialect", "decimal-mark=comma\n");
    EXPECT_EQ(convert(), mervalon::cli::kNotStarted);
    EXPECT_EQ(notes.str(), "mervalon-convert: format \"penzd comma\": A format with comma decimals cannot have a comma "
                           "as its separator: \"1,512340,125\" could not be told apart. Choose a semicolon or a tab "
                           "as the separator, or a point as the decimal mark.\n");
    write("install/formats/penzd comma.dialect", "quoted-fields=maybe\n");
    EXPECT_EQ(convert(), mervalon::cli::kNotStarted);
    const std::string dialectFile = path("install/formats/penzd comma.dialect");
    EXPECT_EQ(notes.str(), "mervalon-convert: format \"penzd comma\": \"" + dialectFile +
                               "\", line 1: quoted-fields takes yes or no, not \"maybe\"\n");
    EXPECT_FALSE(fs::exists(path("plain/sheet.dxf")));
}

TEST(DetectOptions, DetectTakesOneFileAndSaveFormatNeedsIt)
{
    const auto options = parseConvertOptions({"--detect=site.csv", "--save-format", "site", "--json"});
    EXPECT_EQ(options.detectFile, "site.csv");
    EXPECT_EQ(options.saveFormatName, "site");
    EXPECT_TRUE(options.json);
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } refusals[] = {
        {{"--save-format", "site", "a.txt"},
         "--save-format stores the layout that --detect FILE finds, and --detect is missing"},
        {{"--detect", "a.txt", "b.txt"},
         "--detect looks at one file and converts none: give no other point files with it"},
        {{"--detect", "a.txt", "--files-from", "list"},
         "--detect looks at one file and converts none: give no other point files with it"},
        {{"--detect"}, "--detect needs a value"},
    };
    for (const auto& r : refusals) {
        try {
            parseConvertOptions(r.arguments);
            ADD_FAILURE() << r.message;
        } catch (const std::invalid_argument& error) {
            EXPECT_EQ(error.what(), r.message);
        }
    }
}

} // namespace
