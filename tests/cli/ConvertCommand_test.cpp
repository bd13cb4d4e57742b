#include "CliTestFolder.h"
#include "cli/ConvertCommand.h"
#include "cli/ConvertOptions.h"
#include "core/config/Configuration.h"
#include "core/config/PreviousPrologue.h"
#include "core/formats/FormatDefinition.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using mervalon::cli::ConvertOptions;
using mervalon::cli::parseConvertOptions;
using mervalon::cli::runConvert;

namespace {

// Before any test runs, the settings store and the per-user folders are sent into the build
// tree, so that no test ever reads or changes the real user's installation. Each test program
// gets its own, as CTest runs several of them at once.
const fs::path& privateHome()
{
    static const fs::path home = fs::path(MERVALON_CLI_TEST_HOME) / std::to_string(::getpid());
    return home;
}

const bool kPrivateHome = [] {
    const std::string home = privateHome().string();
    fs::create_directories(home);
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(privateHome(), ignored);
    });
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (home + "/cache").c_str(), 1);
    return true;
}();

class ConvertCommandTest : public mervalon::clitest::CliTestFolder {
  protected:
    ConvertCommandTest() : CliTestFolder("mervalon-cli") {}
    void SetUp() override
    {
        CliTestFolder::SetUp();
        write("points/clean.txt", "1,1000.0,2000.0,15.25,BM1\r\n2,1010.5,2000.0,15.40,FENCE,1\r\n"
                                  "3,1010.5,2010.25,15.55,FENCE,3\r\n");
        write("points/faulty.txt", "1,1000.0,2000.0,15.25,BM1\r\n2,abc,2000.0,15.40,FENCE,1\r\n");
    }

    int run(std::vector<std::string> arguments, bool withInstallDir = true)
    {
        if (withInstallDir) {
            arguments.insert(arguments.begin(), "--install-dir=" + m_install);
        }
        messages.str("");
        output.str("");
        return runConvert(parseConvertOptions(arguments), messages, false, output, input);
    }

    // The --json lines, their times replaced by "S".
    std::vector<std::string> jsonLines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(output.str());
        for (std::string line; std::getline(in, line);) {
            const std::size_t at = line.rfind("\"seconds\":");
            if (at != std::string::npos) {
                line = line.substr(0, at) + "\"seconds\":S}";
            }
            lines.push_back(line);
        }
        return lines;
    }

    // The message is one line, with the program's name in front.
    void expectOneLineMessage(const std::string& part) const
    {
        const std::string text = messages.str();
        EXPECT_EQ(text.rfind("mervalon-convert: ", 0), 0u) << text;
        EXPECT_NE(text.find(part), std::string::npos) << text;
        EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
    }

    std::ostringstream messages;
    std::ostringstream output;
    std::istringstream input;
};

} // namespace

TEST_F(ConvertCommandTest, CleanFileExitsZeroAndDrawsBesideTheInput)
{
    EXPECT_EQ(run({path("points/clean.txt")}), 0);
    EXPECT_EQ(messages.str(), "mervalon-convert: 1 file converted, 0 files with errors, 0 error lines, 1 warning line; "
                              "report: " +
                                  path("install/mervalon40.log") + "\n");
    const std::string drawing = read(m_dir / "points" / "clean.dxf");
    EXPECT_NE(drawing.find("\r\nENTITIES\r\n"), std::string::npos);
    EXPECT_TRUE(drawing.ends_with("  0\r\nENDSEC\r\n  0\r\nEOF\r\n"));
    const std::string report = read(m_dir / "install" / "mervalon40.log");
    EXPECT_NE(report.find("\r\nPoint file : " + path("points/clean.txt") + "\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\r\n>> Dxf file created: " + path("points/clean.dxf") + "\r\n"), std::string::npos);
    EXPECT_NE(report.find(">> Point file Format : !default (Text format)"), std::string::npos);
}

TEST_F(ConvertCommandTest, FaultyLineExitsOne)
{
    EXPECT_EQ(run({path("points/faulty.txt")}), 1);
    EXPECT_EQ(messages.str(), "mervalon-convert: 1 file converted, 1 file with errors, 1 error line, 1 warning line; "
                              "report: " +
                                  path("install/mervalon40.log") + "\n");
    const std::string report = read(m_dir / "install" / "mervalon40.log");
    EXPECT_NE(report.find("  ! Error in line 2: X coordinate is not a decimal value !\r\n"), std::string::npos);
}

TEST_F(ConvertCommandTest, AbortFilePolicyRemovesTheDrawing)
{
    EXPECT_EQ(run({"--on-error", "abort-file", path("points/faulty.txt")}), 1);
    EXPECT_FALSE(fs::exists(m_dir / "points" / "faulty.dxf"));
}

TEST_F(ConvertCommandTest, ReportGoesWhereAsked)
{
    EXPECT_EQ(run({"--report", path("own.log"), path("points/clean.txt")}), 0);
    EXPECT_TRUE(fs::exists(m_dir / "own.log"));
    EXPECT_FALSE(fs::exists(m_dir / "install" / "mervalon40.log"));
    EXPECT_EQ(read(m_dir / "own.log").rfind("Mervalon Report - ", 0), 0u);
}

TEST_F(ConvertCommandTest, RelativePathsAreReportedAbsolute)
{
    const fs::path before = fs::current_path();
    fs::current_path(m_dir);
    fs::create_directories(m_dir / "out");
    const int status = run({"--dest", "out", "--report", "own.log", "points/../points/clean.txt"});
    fs::current_path(before);
    EXPECT_EQ(status, 0);
    const std::string report = read(m_dir / "own.log");
    EXPECT_NE(report.find("\r\nPoint file : " + path("points/clean.txt") + "\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\r\n>> Dxf file created: " + path("out/clean.dxf") + "\r\n"), std::string::npos) << report;
    EXPECT_TRUE(fs::exists(m_dir / "out" / "clean.dxf"));
}

TEST_F(ConvertCommandTest, SeveralFilesFromSeveralFolders)
{
    fs::create_directories(m_dir / "other");
    write("other/more.survey.txt", "9,1,2,3,X\r\n");
    fs::create_directories(m_dir / "out");
    EXPECT_EQ(run({"--dest", path("out"), path("points/clean.txt"), path("other/more.survey.txt")}), 0);
    EXPECT_TRUE(fs::exists(m_dir / "out" / "clean.dxf"));
    EXPECT_TRUE(fs::exists(m_dir / "out" / "more.dxf"));
}

TEST_F(ConvertCommandTest, CouldNotStart)
{
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"--format", "no such format", "CLEAN"}, "no such format"},
        {{"--dest", "CLEAN/sub", "CLEAN"}, "cannot be created: Not a directory"},
        {{"--dest", "CLEAN", "CLEAN"}, "is not a folder"},
        {{"--config", "MISSING", "CLEAN"}, "No such file or directory"},
        {{}, "no point file given"},
    };
    for (auto c : cases) {
        for (std::string& argument : c.arguments) {
            if (argument.starts_with("CLEAN")) {
                argument = path("points/clean.txt") + argument.substr(5);
            } else if (argument == "MISSING") {
                argument = path("missing");
            }
        }
        EXPECT_EQ(run(c.arguments), 2) << c.message;
        expectOneLineMessage(c.message);
    }
    EXPECT_FALSE(fs::exists(m_dir / "points" / "clean.dxf"));
}

TEST_F(ConvertCommandTest, MissingInstallationFolderCannotStart)
{
    EXPECT_EQ(run({"--install-dir", path("nowhere"), path("points/clean.txt")}, false), 2);
    expectOneLineMessage("does not exist");
}

TEST_F(ConvertCommandTest, InstallationWithoutPrologueCannotStart)
{
    fs::remove(m_dir / "install" / "dxf.dat");
    EXPECT_EQ(run({path("points/clean.txt")}), 2);
    expectOneLineMessage("dxf.dat");
    EXPECT_FALSE(fs::exists(m_dir / "points" / "clean.dxf"));
}

TEST_F(ConvertCommandTest, ShortConfigurationFileCannotStart)
{
    write("short.rp4", std::string(671, '\0'));
    EXPECT_EQ(run({"--config", path("short.rp4"), path("points/clean.txt")}), 2);
    expectOneLineMessage("is not a configuration file");
}

TEST_F(ConvertCommandTest, ConfigurationsFormatIsTheDefaultAndAMissingOneFallsBack)
{
    mervalon::config::Configuration c = mervalon::config::readConfigurationFile(m_dir / "install" / "!Default.rp4");
    c.formatName = "penzd space";
    mervalon::config::writeConfigurationFile(m_dir / "space.rp4", c);
    write("points/spaced.txt", "1 1000.0  2000.0\t15.25 BM1\r\n");
    EXPECT_EQ(run({"--config", path("space.rp4"), path("points/spaced.txt")}), 0) << messages.str();
    EXPECT_NE(read(m_dir / "install" / "mervalon40.log").find(">> Point file Format : penzd space (Text format)"),
              std::string::npos);

    c.formatName = "deleted format";
    mervalon::config::writeConfigurationFile(m_dir / "gone.rp4", c);
    EXPECT_EQ(run({"--config", path("gone.rp4"), path("points/clean.txt")}), 0);
    EXPECT_NE(messages.str().find("\"deleted format\" does not exist; using \"!default\""), std::string::npos)
        << messages.str();
}

TEST_F(ConvertCommandTest, LastConfigurationNamedInTheIniFileIsUsed)
{
    mervalon::config::Configuration c = mervalon::config::readConfigurationFile(m_dir / "install" / "!Default.rp4");
    c.formatName = "pnezd comma";
    mervalon::config::writeConfigurationFile(m_dir / "install" / "configurations" / "north first.rp4", c);
    write("install/mervalon40.ini", "north first.rp4");
    EXPECT_EQ(run({path("points/clean.txt")}), 0);
    EXPECT_NE(read(m_dir / "install" / "mervalon40.log").find(">> Point file Format : pnezd comma (Text format)"),
              std::string::npos);

    write("install/mervalon40.ini", "vanished.rp4");
    EXPECT_EQ(run({path("points/clean.txt")}), 0);
    EXPECT_NE(messages.str().find("notice"), std::string::npos) << messages.str();
    EXPECT_NE(read(m_dir / "install" / "mervalon40.log").find(">> Point file Format : !default (Text format)"),
              std::string::npos);
}

TEST_F(ConvertCommandTest, UnreadableInputIsAnErrorButTheOthersAreConverted)
{
    EXPECT_EQ(run({path("points/absent.txt"), path("points/clean.txt")}), 1);
    EXPECT_TRUE(fs::exists(m_dir / "points" / "clean.dxf"));
    const std::string report = read(m_dir / "install" / "mervalon40.log");
    EXPECT_NE(report.find("  ! Error: Cannot open file \"" + path("points/absent.txt") +
                          "\". No such file or directory !\r\n"),
              std::string::npos)
        << report;
}

TEST_F(ConvertCommandTest, FirstRunSeedsThePerUserInstallation)
{
    ASSERT_TRUE(kPrivateHome);
    const fs::path home = privateHome();
    fs::remove_all(home / "data");
    fs::remove_all(home / "config");
    const fs::path userInstall = home / "data" / "Halvent" / "Mervalon40";
    EXPECT_EQ(run({"--dest", path("points"), "--report", path("own.log"), path("points/clean.txt")}, false), 0)
        << messages.str();
    EXPECT_TRUE(fs::exists(userInstall / "dxf.dat"));
    EXPECT_TRUE(fs::exists(userInstall / "formats" / "!default.rpf"));
    EXPECT_TRUE(fs::exists(m_dir / "points" / "clean.dxf"));

    // A user's change survives the next run.
    std::ofstream(userInstall / "mervalon40.ini", std::ios::binary) << "!Default.rp4";
    std::ofstream(userInstall / "formats" / "mine.rpf", std::ios::binary) << std::string(632, '\0');
    EXPECT_EQ(run({"--report", path("own.log"), path("points/clean.txt")}, false), 0) << messages.str();
    EXPECT_TRUE(fs::exists(userInstall / "formats" / "mine.rpf"));
}

TEST_F(ConvertCommandTest, AReportNamedLikeAPointFileCannotStart)
{
    const std::string before = read(m_dir / "points" / "clean.txt");
    EXPECT_EQ(run({"--report", path("points/clean.txt"), path("points/clean.txt")}), 2);
    expectOneLineMessage("would replace the point file");
    EXPECT_EQ(read(m_dir / "points" / "clean.txt"), before);
}

// Workbooks convert through the same run as text files; a missing sheet is an error line of its
// workbook and the run goes on.
TEST_F(ConvertCommandTest, WorkbookSheetsConvertAndAMissingSheetIsReported)
{
    const fs::path workbook = fs::path(MERVALON_SOURCE_DIR) / "tests/core/spreadsheet/fixtures/biff8_survey.xls";
    fs::copy_file(workbook, m_dir / "points/survey.xls");
    fs::copy_file(workbook, m_dir / "points/other.xls");
    // The shipped workbook format reads sheet 1 from row 2: Survey's rows 2..5 (B2:E5).
    EXPECT_EQ(run({"--format=excel penzdc", "--report", path("run.log"), path("points/survey.xls")}), 1);
    const std::string report = read(path("run.log"));
    EXPECT_NE(report.find(">> Point file Format : excel penzdc (Excel format)\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\r\n>> 4 lines processed.\r\n>> Dxf file created: " + path("points/survey.dxf")),
              std::string::npos)
        << report;
    EXPECT_TRUE(fs::exists(path("points/survey.dxf")));

    // A format asking for sheet 4 of a three-sheet workbook.
    mervalon::formats::FormatDefinition format = mervalon::formats::loadFormatFile(m_install, "excel penzdc");
    format.sheet = "4";
    mervalon::formats::saveFormatFile(m_install, format, "sheet four");
    EXPECT_EQ(
        run({"--format=sheet four", "--report", path("run.log"), path("points/other.xls"), path("points/survey.xls")}),
        1);
    const std::string second = read(path("run.log"));
    const std::string heading = "Point file : " + path("points/other.xls");
    EXPECT_NE(second.find(heading + "\r\n" + std::string(heading.size(), '-') +
                          "\r\n  ! Error: Sheet Number \"4\" does not exist in the Excel file !\r\n\r\n\r\n"
                          "Point file : " +
                          path("points/survey.xls")),
              std::string::npos)
        << second;

    // A file that is no workbook at all: its error line, and the run goes on.
    write("points/broken.xls", "1,2,3\r\n");
    EXPECT_EQ(run({"--format=excel penzdc", "--report", path("run.log"), path("points/broken.xls"),
                   path("points/survey.xls")}),
              1);
    const std::string third = read(path("run.log"));
    const std::string brokenHeading = "Point file : " + path("points/broken.xls");
    EXPECT_NE(third.find(brokenHeading + "\r\n" + std::string(brokenHeading.size(), '-') + "\r\n  ! Error: "),
              std::string::npos)
        << third;
    EXPECT_NE(third.find(">> Dxf file created: " + path("points/survey.dxf")), std::string::npos) << third;
}

// The same points give the same drawing and the same report block whichever kind of file holds
// them: text, XLS (python3-xlwt), XLSX (python3-openpyxl) or ODS (gnumeric); the kind of a
// workbook is told by its content, so an XLSX named .xls converts the same.
TEST_F(ConvertCommandTest, TheSamePointsFromTextXlsXlsxAndOdsGiveTheSameDrawingAndReport)
{
    const fs::path made = m_dir / "made";
    const std::string script = std::string(MERVALON_SOURCE_DIR) + "/tests/core/spreadsheet/fixtures/make_kinds.py";
    const int status =
        std::system(("/usr/bin/python3 '" + script + "' '" + made.string() + "' 2>'" + path("made.err") + "'").c_str());
    ASSERT_EQ(status, 0) << read(path("made.err")) << " is not installed (scripts/install-deps.sh installs it)";
    mervalon::formats::FormatDefinition text = mervalon::formats::loadFormatFile(m_install, "!default");
    text.firstLine = 2; // the header row, as "excel penzdc" skips it
    mervalon::formats::saveFormatFile(m_install, text, "text from two");

    const std::vector<std::pair<std::string, std::string>> files = {{"points.txt", "txt.txt"},
                                                                    {"points.xls", "xls.xls"},
                                                                    {"points.xlsx", "xlsx.xlsx"},
                                                                    {"points.ods", "ods.ods"},
                                                                    {"points.xlsx", "named.xls"}};
    std::string firstDrawing;
    std::string firstBlock;
    for (const auto& [source, name] : files) {
        SCOPED_TRACE(name);
        fs::copy_file(made / source, m_dir / "points" / name);
        const std::string format = name == "txt.txt" ? "--format=text from two" : "--format=excel penzdc";
        EXPECT_EQ(run({format, "--report", path("run.log"), path("points/" + name)}), 1) << messages.str();
        const std::string drawing = read(m_dir / "points" / (name.substr(0, name.find('.')) + ".dxf"));
        // The file's block, its own name (and the heading's underline, as long as the name) put aside.
        std::string block = read(path("run.log"));
        block = block.substr(block.find("Point file : "));
        const std::size_t underline = block.find("\r\n") + 2;
        block.replace(underline, block.find("\r\n", underline) - underline, "---");
        for (std::size_t at;
             (at = block.find(path("points/" + name.substr(0, name.find('.'))))) != std::string::npos;) {
            block.replace(at, path("points/" + name.substr(0, name.find('.'))).size(), "FILE");
        }
        for (const std::string ext : {".txt", ".xlsx", ".xls", ".ods"}) {
            for (std::size_t at; (at = block.find("FILE" + ext)) != std::string::npos;) {
                block.replace(at, 4 + ext.size(), "FILE.*");
            }
        }
        if (firstDrawing.empty()) {
            firstDrawing = drawing;
            firstBlock = block;
            EXPECT_NE(
                block.find("  ! Line 5 is empty !\r\n  ! Error in line 6: X coordinate is not a decimal value !\r\n"
                           "  ! Warning in line 7: Polyline Code is missing !\r\n"),
                std::string::npos)
                << block;
            EXPECT_NE(block.find(">> 9 lines processed."), std::string::npos) << block;
            EXPECT_GT(drawing.size(), 1000u);
            continue;
        }
        EXPECT_TRUE(drawing == firstDrawing) << "the drawing differs from the text file's";
        EXPECT_EQ(block, firstBlock);
    }
}

namespace {

// The block of `name` in the report, its own name (and the heading's underline, as long as the
// name) put aside, so that the blocks of one points' files of several kinds compare.
std::string blockWithoutName(const std::string& report, const std::string& stem)
{
    std::string block = report.substr(report.find("Point file : "));
    const std::size_t underline = block.find("\r\n") + 2;
    block.replace(underline, block.find("\r\n", underline) - underline, "---");
    for (std::size_t at; (at = block.find(stem + ".")) != std::string::npos;) {
        const std::size_t end = block.find_first_of(" \r\"", at);
        block.replace(at, end - at, "FILE");
    }
    return block;
}

} // namespace

// Workbooks that LibreOffice itself makes from a CSV file of points convert as the CSV file does
// (read with a text format), letters that Windows-1252 lacks included: the drawings and the
// files' blocks of the report are the same. The XLS workbook of the same points is python3-xlwt's.
TEST_F(ConvertCommandTest, WorkbooksLibreOfficeMakesConvertAsTheirTextFile)
{
    const fs::path made = m_dir / "made";
    fs::create_directories(made);
    const std::string csv = "Number,East,North,Elevation,Description,Code\r\n"
                            "BM1,1000.5,2000.25,15.25,benchmark,0\r\n"
                            "2,1010.5,2000,15.4,\xC5\x82\xC4\x85ka \xE4\xB8\xAD,1\r\n"
                            "3,1020.75,2001.5,15.55,caf\xC3\xA9 \xD0\x96,2\r\n"
                            "4,1031,2003.125,15.6,road,3\r\n"
                            "\r\n"
                            "6,abc,2010,15,fence,1\r\n"
                            "7,1040,2012.5,14.875,house\r\n"
                            "8,1041,2013,14.9,\xE4\xB8\xAD\xE6\x96\x87,1\r\n"
                            "9,1042,2013.5,14.95,house,3\r\n";
    {
        std::ofstream out(made / "points.csv", std::ios::binary);
        out << csv;
    }
    // One call per kind, with a profile of its own so that tests running at once do not share one.
    for (const std::string kind : {"xlsx", "ods"}) {
        const std::string command = "soffice --headless '-env:UserInstallation=file://" +
                                    (m_dir / "lo-profile").string() + "' --infilter=CSV:44,34,76,1 --convert-to " +
                                    kind + " --outdir '" + made.string() + "' '" + (made / "points.csv").string() +
                                    "' >'" + path("soffice.out") + "' 2>&1";
        const int status = std::system(("command -v soffice >/dev/null && " + command).c_str());
        ASSERT_EQ(status, 0) << "soffice failed or is missing (Debian package libreoffice-calc, which "
                                "scripts/install-deps.sh installs): "
                             << read(path("soffice.out"));
        ASSERT_TRUE(fs::exists(made / ("points." + kind))) << read(path("soffice.out"));
    }
    const std::string xlwt = "import csv, sys, xlwt\n"
                             "book = xlwt.Workbook(encoding='utf-8'); sheet = book.add_sheet('Points')\n"
                             "for r, row in enumerate(csv.reader(open(sys.argv[1], encoding='utf-8', newline=''))):\n"
                             "    for c, v in enumerate(row):\n"
                             "        try: sheet.write(r, c, float(v))\n"
                             "        except ValueError: sheet.write(r, c, v)\n"
                             "book.save(sys.argv[2])\n";
    write("make_xls.py", xlwt);
    ASSERT_EQ(std::system(("/usr/bin/python3 '" + path("make_xls.py") + "' '" + (made / "points.csv").string() + "' '" +
                           (made / "points.xls").string() + "' 2>'" + path("xlwt.err") + "'")
                              .c_str()),
              0)
        << read(path("xlwt.err")) << " (python3-xlwt, which scripts/install-deps.sh installs)";
    mervalon::formats::FormatDefinition text = mervalon::formats::loadFormatFile(m_install, "!default");
    text.firstLine = 2;
    mervalon::formats::saveFormatFile(m_install, text, "text from two");

    std::string textDrawing;
    std::string textBlock;
    for (const std::string name : {"csv.csv", "xlsx.xlsx", "ods.ods", "xls.xls"}) {
        SCOPED_TRACE(name);
        const std::string stem = name.substr(0, name.find('.'));
        fs::copy_file(made / ("points." + stem), m_dir / "points" / name);
        const std::string format = stem == "csv" ? "--format=text from two" : "--format=excel penzdc";
        EXPECT_EQ(run({format, "--report", path("run.log"), path("points/" + name)}), 1) << messages.str();
        const std::string drawing = read(m_dir / "points" / (stem + ".dxf"));
        const std::string block = blockWithoutName(read(path("run.log")), path("points/" + stem));
        if (stem == "csv") {
            textDrawing = drawing;
            textBlock = block;
            // The letters Windows-1252 lacks are escapes; é is its own byte.
            EXPECT_NE(drawing.find("\r\n\\U+0142\\U+0105ka \\U+4E2D\r\n"), std::string::npos) << drawing;
            EXPECT_NE(drawing.find("\r\ncaf\xE9 \\U+0416\r\n"), std::string::npos);
            EXPECT_NE(drawing.find("\r\n\\U+4E2D\\U+6587\r\n"), std::string::npos);
            EXPECT_NE(
                block.find("  ! Line 5 is empty !\r\n  ! Error in line 6: X coordinate is not a decimal value !\r\n"
                           "  ! Warning in line 7: Polyline Code is missing !\r\n"),
                std::string::npos)
                << block;
            continue;
        }
        EXPECT_TRUE(drawing == textDrawing) << "the drawing differs from the text file's";
        EXPECT_EQ(block, textBlock);
    }
}

TEST_F(ConvertCommandTest, AMissingDestinationFolderIsCreated)
{
    EXPECT_EQ(run({"--dest", path("new/deeper"), path("points/clean.txt")}), 0);
    EXPECT_TRUE(fs::exists(m_dir / "new" / "deeper" / "clean.dxf"));
    EXPECT_EQ(
        messages.str().rfind("mervalon-convert: created the destination folder \"" + path("new/deeper") + "\"\n", 0),
        0u)
        << messages.str();
}

TEST_F(ConvertCommandTest, AReportNamedLikeADrawingCannotStart)
{
    fs::create_directories(m_dir / "out");
    for (const auto& [arguments, drawing] :
         {std::pair{std::vector<std::string>{"--report", path("points/clean.dxf"), path("points/clean.txt")},
                    path("points/clean.dxf")},
          std::pair{std::vector<std::string>{"--dest", path("out"), "--report", path("out/../out/clean.dxf"),
                                             path("points/clean.txt")},
                    path("out/clean.dxf")}}) {
        EXPECT_EQ(run(arguments), 2);
        expectOneLineMessage("would replace a drawing of the run");
        EXPECT_FALSE(fs::exists(drawing));
    }
}

// A report that cannot be written is not "the run could not start": its own status.
TEST_F(ConvertCommandTest, AReportThatCannotBeWrittenHasItsOwnStatus)
{
    EXPECT_EQ(run({"--report", "/dev/full", path("points/clean.txt")}), mervalon::cli::kReportNotWritten);
    EXPECT_EQ(mervalon::cli::kReportNotWritten, 3);
    EXPECT_NE(messages.str().find("Cannot write file \"/dev/full\". No space left on device; the report is incomplete"),
              std::string::npos)
        << messages.str();
    EXPECT_TRUE(fs::exists(m_dir / "points" / "clean.dxf"));
}

TEST_F(ConvertCommandTest, VerboseShowsTheErrorLinesUnderTheirFile)
{
    EXPECT_EQ(run({"--verbose", path("points/clean.txt"), path("points/faulty.txt")}), 1);
    const std::string heading = "Point file : " + path("points/faulty.txt");
    EXPECT_EQ(messages.str(),
              heading +
                  "\n  ! Error in line 2: X coordinate is not a decimal value !\n"
                  "mervalon-convert: 2 files converted, 1 file with errors, 1 error line, 2 warning lines; "
                  "report: " +
                  path("install/mervalon40.log") + "\n");
}

TEST_F(ConvertCommandTest, ShortFormatFileCannotStart)
{
    write("install/formats/cut.rpf", std::string(483, '\0'));
    EXPECT_EQ(run({"--format", "cut", path("points/clean.txt")}), 2);
    expectOneLineMessage("\"" + path("install/formats/cut.rpf") + "\" is not a format file: it holds 483 of the 632");
    EXPECT_FALSE(fs::exists(m_dir / "points" / "clean.dxf"));
}

// An installation made by the previous version gets this version's prologue on the next run;
// one the user changed is kept, and the run says once where the new one was put.
TEST_F(ConvertCommandTest, ThePerUserInstallationGetsTheNewPrologueUnlessTheUserChangedIt)
{
    const fs::path home = privateHome();
    fs::remove_all(home / "data");
    fs::remove_all(home / "config");
    const fs::path userInstall = home / "data" / "Halvent" / "Mervalon40";
    const std::vector<std::string> arguments = {"--report", path("own.log"), path("points/clean.txt")};
    ASSERT_EQ(run(arguments, false), 0) << messages.str();
    const std::string shipped = read(fs::path(MERVALON_DATA_BUILD_DIR) / "dxf.dat");
    const std::string previous = mervalon::configtest::previousPrologue();
    write("mine.rpf", std::string(632, '\0'));
    fs::copy_file(m_dir / "mine.rpf", userInstall / "formats" / "mine.rpf");

    std::ofstream(userInstall / "dxf.dat", std::ios::binary) << previous;
    EXPECT_EQ(run(arguments, false), 0) << messages.str();
    EXPECT_EQ(read(userInstall / "dxf.dat"), shipped);
    EXPECT_EQ(messages.str().find("notice"), std::string::npos) << messages.str();
    EXPECT_EQ(read(userInstall / "formats" / "mine.rpf"), std::string(632, '\0'));

    // A comment of the user's in the header: still a prologue that drawings can begin with.
    const std::size_t headerEnd = previous.find("HEADER\r\n") + 8;
    const std::string mine = previous.substr(0, headerEnd) + "999\r\nmine\r\n" + previous.substr(headerEnd);
    std::ofstream(userInstall / "dxf.dat", std::ios::binary) << mine;
    EXPECT_EQ(run(arguments, false), 0) << messages.str();
    EXPECT_EQ(read(userInstall / "dxf.dat"), mine);
    EXPECT_EQ(read(userInstall / "dxf.dat.new"), shipped);
    EXPECT_NE(messages.str().find("mervalon-convert: notice: \"" + (userInstall / "dxf.dat").string() +
                                  "\" was changed since it was installed, so it was kept; this version's file was put "
                                  "beside it as \"" +
                                  (userInstall / "dxf.dat.new").string() + "\".\n"),
              std::string::npos)
        << messages.str();
    EXPECT_EQ(run(arguments, false), 0);
    EXPECT_EQ(messages.str().find("notice"), std::string::npos) << "said once: " << messages.str();
}

TEST_F(ConvertCommandTest, JsonGivesAnObjectPerFileAndOneForTheRun)
{
    EXPECT_EQ(run({"--json", "--report", path("run.log"), "--dest", path("out"), path("points/clean.txt"),
                   path("points/faulty.txt"), path("points/missing.txt")}),
              1);
    const std::string out = path("out");
    EXPECT_EQ(
        jsonLines(),
        (std::vector<std::string>{
            R"({"type":"file","index":0,"file":")" + path("points/clean.txt") + R"(","drawing":")" + out +
                R"(/clean.dxf","status":"converted","lines":3,"points":3,"texts":9,"polylines":1,"error_lines":0,)"
                R"("warning_lines":1,"errors":[],"seconds":S})",
            R"({"type":"file","index":1,"file":")" + path("points/faulty.txt") + R"(","drawing":")" + out +
                R"(/faulty.dxf","status":"converted","lines":2,"points":1,"texts":3,"polylines":0,"error_lines":1,)"
                R"("warning_lines":1,"errors":["  ! Error in line 2: X coordinate is not a decimal value !"],"seconds":S})",
            R"({"type":"file","index":2,"file":")" + path("points/missing.txt") + R"(","drawing":")" + out +
                R"(/missing.dxf","status":"failed","lines":0,"points":0,"texts":0,"polylines":0,"error_lines":1,)"
                R"("warning_lines":0,"errors":["  ! Error: Cannot open file \")" +
                path("points/missing.txt") + R"(\". No such file or directory !"],"seconds":S})",
            R"({"type":"run","files":3,"converted":2,"skipped":0,"aborted":0,"failed":1,"files_with_errors":2,)"
            R"("error_lines":2,"warning_lines":2,"stopped":false,"dry_run":false,"jobs":1,"report":")" +
                path("run.log") + R"(","exit_status":1,"message":"","seconds":S})"}));
    // The human summary stays on stderr.
    EXPECT_NE(messages.str().find("2 files converted, 2 files with errors, 2 error lines"), std::string::npos);
}

TEST_F(ConvertCommandTest, JsonSaysWhyARunDidNotStart)
{
    EXPECT_EQ(run({"--json", "--format", "no such format", path("points/clean.txt")}), 2);
    const std::vector<std::string> lines = jsonLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind(R"({"type":"run","files":0,"converted":0,)", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(R"("exit_status":2,"message":"format \"no such format\": )"), std::string::npos)
        << lines[0];
}

TEST_F(ConvertCommandTest, FilesFromTakesOneNameALineOrNulSeparatedNames)
{
    write("points/odd\nname.txt", "1,1000.0,2000.0,15.25,BM1,0\r\n");
    write("list.txt", path("points/clean.txt") + "\r\n\n" + path("points/faulty.txt") + "\n");
    EXPECT_EQ(run({"--json", "--report", path("run.log"), "--files-from", path("list.txt")}), 1);
    std::vector<std::string> lines = jsonLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find(R"("file":")" + path("points/clean.txt") + "\""), std::string::npos);
    EXPECT_NE(lines[1].find(R"("file":")" + path("points/faulty.txt") + "\""), std::string::npos);

    // From standard input, after the names given as arguments; any name can be given with -0.
    input.str(path("points/odd\nname.txt") + std::string(1, '\0') + path("points/clean.txt") + std::string(1, '\0'));
    EXPECT_EQ(run({"--json", "--report", path("run.log"), "--files-from", "-", "-0", path("points/faulty.txt")}), 1);
    lines = jsonLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[0].find(R"("file":")" + path("points/faulty.txt") + "\""), std::string::npos);
    EXPECT_NE(lines[1].find(R"("file":")" + path("points/odd\\nname.txt") + R"(","drawing":")" +
                            path("points/odd\\nname.dxf") + R"(","status":"converted")"),
              std::string::npos)
        << lines[1];
    EXPECT_TRUE(fs::exists(m_dir / "points" / "odd\nname.dxf"));

    // An empty list converts nothing and is no error; a list that cannot be read cannot start.
    input.clear();
    input.str("");
    EXPECT_EQ(run({"--report", path("run.log"), "--files-from", "-"}), 0);
    EXPECT_EQ(messages.str(),
              "mervalon-convert: 0 files converted, 0 files with errors, 0 error lines, 0 warning lines; "
              "report: " +
                  path("run.log") + "\n");
    EXPECT_EQ(run({"--files-from", path("no-list.txt")}), 2);
    expectOneLineMessage("the file list \"" + path("no-list.txt") + "\" cannot be read: No such file or directory");
}

TEST_F(ConvertCommandTest, JobsGiveTheReportAndDrawingsOfOneJob)
{
    std::vector<std::string> files;
    for (int i = 0; i < 12; ++i) {
        const std::string name = "points/f" + std::to_string(i) + ".txt";
        std::string text;
        for (int line = 1; line <= 200 * (i % 4 + 1); ++line) {
            text += std::to_string(line) + "," + std::to_string(1000 + line) + ".5,2000.25,15.5," +
                    (line % 97 == 0 ? "BAD,x" : "FENCE,0") + (line % 89 == 0 ? ",oops" : "") + "\r\n";
        }
        write(name, i == 5 ? "1,1O00,2000,1,A,0\r\n" : text);
        files.push_back(path(name));
    }
    files.push_back(path("points/missing.txt"));
    files.push_back(path("points/f3.txt"));
    std::string oneReport;
    std::vector<std::string> oneOutput;
    std::vector<std::string> oneDrawings;
    for (const char* jobs : {"1", "3", "0"}) {
        fs::remove_all(m_dir / "out");
        std::vector<std::string> arguments = {"--jobs",        jobs,     "--json",   "--report",
                                              path("run.log"), "--dest", path("out")};
        arguments.insert(arguments.end(), files.begin(), files.end());
        EXPECT_EQ(run(arguments), 1);
        // The report from its second line on: the first has the time of the run.
        std::string report = read(m_dir / "run.log");
        report = report.substr(report.find('\n'));
        std::vector<std::string> lines = jsonLines();
        lines.back() = lines.back().substr(0, lines.back().find(R"("jobs":)"));
        std::vector<std::string> drawings;
        for (int i = 0; i < 12; ++i) {
            const fs::path drawing = m_dir / "out" / ("f" + std::to_string(i) + ".dxf");
            drawings.push_back(fs::exists(drawing) ? read(drawing) : "(none)");
        }
        if (std::string(jobs) == "1") {
            oneReport = report;
            oneOutput = lines;
            oneDrawings = drawings;
            EXPECT_NE(report.find("it was already created from another point file of this run"), std::string::npos);
            continue;
        }
        EXPECT_EQ(report, oneReport) << "--jobs " << jobs;
        EXPECT_EQ(lines, oneOutput) << "--jobs " << jobs;
        EXPECT_TRUE(drawings == oneDrawings) << "--jobs " << jobs;
    }
}

TEST_F(ConvertCommandTest, SkipExistingLeavesUpToDateDrawingsAndKeepsTheExitStatuses)
{
    EXPECT_EQ(run({"--report", path("run.log"), path("points/clean.txt"), path("points/faulty.txt")}), 1);
    const std::string drawing = read(m_dir / "points" / "clean.dxf");
    EXPECT_EQ(
        run({"--skip-existing", "--report", path("run.log"), path("points/clean.txt"), path("points/faulty.txt")}), 0);
    EXPECT_EQ(messages.str(),
              "mervalon-convert: 0 files converted, 2 files skipped, 0 files with errors, 0 error lines, "
              "0 warning lines; report: " +
                  path("run.log") + "\n");
    EXPECT_NE(read(m_dir / "run.log")
                  .find("Point file : " + path("points/clean.txt") + "\r\n" +
                        std::string(13 + path("points/clean.txt").size(), '-') + "\r\n" +
                        ">> Dxf file is newer than the point file, not converted: " + path("points/clean.dxf") +
                        "\r\n\r\n\r\n"),
              std::string::npos);
    EXPECT_EQ(read(m_dir / "points" / "clean.dxf"), drawing);
    // A point file changed since: converted again.
    fs::last_write_time(m_dir / "points" / "faulty.txt",
                        fs::last_write_time(m_dir / "points" / "faulty.dxf") + std::chrono::seconds(1));
    EXPECT_EQ(
        run({"--skip-existing", "--report", path("run.log"), path("points/clean.txt"), path("points/faulty.txt")}), 1);
    EXPECT_EQ(messages.str(), "mervalon-convert: 1 file converted, 1 file skipped, 1 file with errors, 1 error line, "
                              "1 warning line; report: " +
                                  path("run.log") + "\n");
}

TEST_F(ConvertCommandTest, DryRunWritesNoDrawingAndMakesNoFolder)
{
    EXPECT_EQ(run({"--dry-run", "--json", "--report", path("run.log"), "--dest", path("new/cad"),
                   path("points/clean.txt"), path("points/faulty.txt")}),
              1);
    EXPECT_EQ(messages.str(),
              "mervalon-convert: the destination folder \"" + path("new/cad") +
                  "\" would be created\n"
                  "mervalon-convert: dry run, no drawing written: 2 files would be converted, 1 file with "
                  "errors, 1 error line, 2 warning lines; report: " +
                  path("run.log") + "\n");
    EXPECT_FALSE(fs::exists(m_dir / "new"));
    EXPECT_NE(read(m_dir / "run.log").find(">> Dxf file would be created: " + path("new/cad/clean.dxf") + "\r\n"),
              std::string::npos);
    const std::vector<std::string> lines = jsonLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find(R"("status":"checked","lines":3,"points":3,"texts":9,"polylines":1)"), std::string::npos)
        << lines[0];
    EXPECT_NE(lines[2].find(R"("dry_run":true)"), std::string::npos);
}
