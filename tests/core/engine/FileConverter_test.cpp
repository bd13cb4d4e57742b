#include "DrawingSetup.h"
#include "EngineTestSupport.h"
#include "core/engine/FileConverter.h"
#include "core/engine/RunLog.h"

#include <gtest/gtest.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using mervalon::formats::PointValue;

using mervalon::config::Configuration;
using mervalon::config::EntityKind;
using mervalon::engine::ConversionResult;
using mervalon::engine::ConversionSettings;
using mervalon::engine::convertFile;
using mervalon::engine::ErrorPolicy;
using mervalon::engine::FieldRows;
using mervalon::engine::RunLog;
using mervalon::enginetest::crlf;
using mervalon::enginetest::FileSizeLimit;
using mervalon::enginetest::RecordingProgress;
using mervalon::enginetest::rowsOf;
using mervalon::enginetest::TempFolderTest;
using mervalon::formats::FormatDefinition;
using Outcome = ConversionResult::Outcome;

using mervalon::testsupport::draw;
using mervalon::testsupport::sixColumnFormat;
using mervalon::testsupport::withPolylineCodes123;

namespace {

using Lines = std::vector<std::vector<std::string>>;

// What stands under the drawing's name before a conversion: the end of an earlier drawing.
const std::string kOlderDrawing = "  0\r\nEOF\r\n";

// One entity of the ENTITIES section with the values the tests look at.
struct Entity {
    std::string type;
    std::string layer;
    std::string x;
    std::string y;
    std::string z;
    std::string text;
};

// Reads back the entities of a drawing; `closed` tells whether the closing lines are there.
std::vector<Entity> entitiesOf(const std::string& drawing, bool* closed = nullptr)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < drawing.size();) {
        const std::size_t end = drawing.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "a line without CR LF at the end of the drawing";
            break;
        }
        lines.push_back(drawing.substr(start, end - start));
        start = end + 2;
    }
    std::vector<Entity> entities;
    std::size_t i = 0;
    while (i < lines.size() && lines[i] != "ENTITIES") {
        ++i;
    }
    if (closed != nullptr) {
        *closed = lines.size() >= 4 && lines[lines.size() - 3] == "ENDSEC" && lines.back() == "EOF";
    }
    for (++i; i + 1 < lines.size(); i += 2) {
        const std::string& code = lines[i];
        const std::string& value = lines[i + 1];
        if (code == "  0") {
            if (value == "ENDSEC") {
                break;
            }
            entities.push_back(Entity{value, "", "", "", "", ""});
        } else if (!entities.empty()) {
            Entity& e = entities.back();
            if (code == "  8") {
                e.layer = value;
            } else if (code == " 10") {
                e.x = value;
            } else if (code == " 20") {
                e.y = value;
            } else if (code == " 30") {
                e.z = value;
            } else if (code == "  1") {
                e.text = value;
            }
        }
    }
    return entities;
}

std::vector<std::string> typesOf(const std::vector<Entity>& entities, const std::string& layer = "")
{
    std::vector<std::string> types;
    for (const Entity& e : entities) {
        if (layer.empty() || e.layer == layer) {
            types.push_back(e.type);
        }
    }
    return types;
}

std::vector<std::string> vertexXs(const std::vector<Entity>& entities)
{
    std::vector<std::string> xs;
    for (const Entity& e : entities) {
        if (e.type == "POLYLINE") {
            xs.push_back("|");
        } else if (e.type == "VERTEX") {
            xs.push_back(e.x);
        }
    }
    return xs;
}

std::vector<std::string> textsOn(const std::vector<Entity>& entities, const std::string& layer)
{
    std::vector<std::string> texts;
    for (const Entity& e : entities) {
        if (e.type == "TEXT" && e.layer == layer) {
            texts.push_back(e.text);
        }
    }
    return texts;
}

Configuration drawingConfiguration()
{
    Configuration c;
    draw(c, EntityKind::Point, "PTS");
    draw(c, EntityKind::Number, "NUM", "1");
    c.entity(EntityKind::X).layer = "XL"; // configured but not drawn
    c.entity(EntityKind::X).height = "1";
    c.entity(EntityKind::Y).layer = "YL";
    c.entity(EntityKind::Y).height = "1";
    draw(c, EntityKind::Elevation, "ELE", "1").decimals = 2;
    draw(c, EntityKind::Description, "DES", "1");
    draw(c, EntityKind::Polyline, "PL");
    c.layout.slot = {0, 3, 4, -1, -1};
    c.layout.distance = "0.5";
    return c;
}

class FileConverterTest : public TempFolderTest {
  protected:
    ConversionResult convert(const Lines& lines, ErrorPolicy policy = ErrorPolicy::SkipLine,
                             std::optional<std::filesystem::path> destination = std::nullopt)
    {
        return convertRows(rowsOf(lines), policy, destination);
    }

    ConversionResult convertRows(const FieldRows& rows, ErrorPolicy policy = ErrorPolicy::SkipLine,
                                 std::optional<std::filesystem::path> destination = std::nullopt)
    {
        mervalon::engine::HeldRows source(rows);
        return convertSource(source, policy, destination);
    }

    ConversionResult convertSource(mervalon::engine::RowSource& rows, ErrorPolicy policy = ErrorPolicy::SkipLine,
                                   std::optional<std::filesystem::path> destination = std::nullopt)
    {
        m_destination = destination.value_or(pathOf("out.dxf"));
        const ConversionSettings settings{configuration, format, policy, "P\r\n"};
        RunLog log(pathOf("report.log"));
        drawing.clear();
        const ConversionResult result = convertFile(rows, settings, m_destination, log, progress);
        log.close();
        report = readFile(pathOf("report.log"));
        if (std::filesystem::is_regular_file(m_destination)) {
            drawing = readFile(m_destination);
            entities = entitiesOf(drawing, &closed);
        }
        return result;
    }

    std::string created() const { return ">> Dxf file created: " + m_destination.string(); }

    Configuration configuration = drawingConfiguration();
    FormatDefinition format = withPolylineCodes123(sixColumnFormat());
    RecordingProgress progress;
    std::string report;
    std::string drawing;
    std::vector<Entity> entities;
    bool closed = false;
    std::filesystem::path m_destination;
};

} // namespace

TEST_F(FileConverterTest, CodesOneTwoTwoThreeMakeOnePolylineOfFourVertices)
{
    const auto result = convert({{"1", "10", "20", "5", "a", "1"},
                                 {"2", "11", "20", "5", "a", "2"},
                                 {"3", "12", "20", "5", "a", "2"},
                                 {"4", "13", "20", "5", "a", "3"}});
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_FALSE(result.errorsLogged);
    EXPECT_EQ(vertexXs(entities), (std::vector<std::string>{"|", "10", "11", "12", "13"}));
    EXPECT_TRUE(closed);
    EXPECT_EQ(report, crlf({"", ">> 4 lines processed.", created(), "", ""}));
}

TEST_F(FileConverterTest, NewCodeInsideAPolylineEndsItAndStartsTheNextAtTheSamePoint)
{
    convert({{"1", "10", "0", "5", "a", "1"},
             {"2", "11", "0", "5", "a", "2"},
             {"3", "12", "0", "5", "a", "1"},
             {"4", "13", "0", "5", "a", "2"},
             {"5", "14", "0", "5", "a", "3"}});
    EXPECT_EQ(vertexXs(entities), (std::vector<std::string>{"|", "10", "11", "12", "|", "12", "13", "14"}));
}

TEST_F(FileConverterTest, LastLineClosesThePolylineWhateverItsCode)
{
    convert({{"1", "10", "0", "5", "a", "1"}, {"2", "11", "0", "5", "a", "2"}, {"3", "12", "0", "5", "a", "2"}});
    EXPECT_EQ(vertexXs(entities), (std::vector<std::string>{"|", "10", "11", "12"}));
    EXPECT_EQ(report, crlf({"", ">> 3 lines processed.", created(), "", ""}));
}

TEST_F(FileConverterTest, LastLineWithoutACodeClosesThePolylineAndWarns)
{
    convert({{"1", "10", "0", "5", "a", "1"}, {"2", "11", "0", "5", "a", "2"}, {"3", "12", "0", "5", "a"}});
    EXPECT_EQ(vertexXs(entities), (std::vector<std::string>{"|", "10", "11", "12"}));
    EXPECT_EQ(report, crlf({"  ! Warning in line 3: Polyline Code is missing !", "", ">> 3 lines processed.", created(),
                            "", ""}));
}

TEST_F(FileConverterTest, AnOtherCodeInsideAPolylineIsNoVertex)
{
    convert({{"1", "10", "0", "5", "a", "1"},
             {"2", "11", "0", "5", "a", "2"},
             {"3", "99", "0", "5", "a", "9"},
             {"4", "13", "0", "5", "a", "2"},
             {"5", "14", "0", "5", "a", "3"}});
    EXPECT_EQ(vertexXs(entities), (std::vector<std::string>{"|", "10", "11", "13", "14"}));
}

TEST_F(FileConverterTest, PolylineStillOpenWhenAnEmptyLastLineEndsTheFileIsNotWritten)
{
    FieldRows rows = rowsOf({{"1", "10", "0", "5", "a", "1"}, {"2", "11", "0", "5", "a", "2"}});
    rows.addEmptyRow();
    convertRows(rows);
    EXPECT_EQ(vertexXs(entities), std::vector<std::string>{});
    EXPECT_EQ(report, crlf({"  ! Line 3 is empty !", "", ">> 3 lines processed.", created(), "", ""}));
}

TEST_F(FileConverterTest, DrawAndEndCodesWithoutAnOpenPolylineDoNothing)
{
    convert({{"1", "10", "0", "5", "a", "2"}, {"2", "11", "0", "5", "a", "3"}, {"3", "12", "0", "5", "a", "1"}});
    // The last line's code becomes the end code; with nothing open it starts nothing either.
    EXPECT_EQ(vertexXs(entities), std::vector<std::string>{});
}

TEST_F(FileConverterTest, OnlyTheFirstErrorOfALineIsReported)
{
    const auto result = convert({{"1"}, {"2", "10", "20", "5", "a", "1"}});
    EXPECT_TRUE(result.errorsLogged);
    EXPECT_EQ(report,
              crlf({"  ! Error in line 1: X coordinate is missing !", "", ">> 2 lines processed.", created(), "", ""}));
}

TEST_F(FileConverterTest, LackingDescriptionAndCodeLogsOnlyTheCodeWarning)
{
    convert({{"1", "10", "20", "5"}, {"2", "11", "20", "5", "a", "1"}});
    EXPECT_EQ(report, crlf({"  ! Warning in line 1: Polyline Code is missing !", "", ">> 2 lines processed.", created(),
                            "", ""}));
    EXPECT_EQ(textsOn(entities, "DES"), std::vector<std::string>{"a"});
}

TEST_F(FileConverterTest, MissingDescriptionWarnsAndWritesNoDescription)
{
    format.value(PointValue::Code).column = 0;
    convert({{"1", "10", "20", "5"}});
    EXPECT_EQ(report, crlf({"  ! Warning in line 1: Description is missing !", "", ">> 1 lines processed.", created(),
                            "", ""}));
    EXPECT_EQ(textsOn(entities, "DES"), std::vector<std::string>{});
    EXPECT_EQ(textsOn(entities, "NUM"), std::vector<std::string>{"1"});
}

TEST_F(FileConverterTest, AtSignDescriptionSuppressesTheTextWithoutAWarning)
{
    convert({{"1", "10", "20", "5", "@", "1"}, {"2", "11", "20", "5", "oak", "1"}});
    EXPECT_EQ(textsOn(entities, "DES"), std::vector<std::string>{"oak"});
    EXPECT_EQ(report, crlf({"", ">> 2 lines processed.", created(), "", ""}));
}

TEST_F(FileConverterTest, EveryLineMessage)
{
    format.value(PointValue::Number).prefix = "N";
    format.value(PointValue::X).prefix = "X";
    format.value(PointValue::Y).prefix = "Y";
    format.value(PointValue::Z).prefix = "Z";
    format.value(PointValue::Description).prefix = "D";
    format.value(PointValue::Code).prefix = "C";
    const struct {
        std::vector<std::string> line;
        const char* message;
    } cases[] = {
        {{"12", "X1", "Y2", "Z3", "Da", "C1"}, ": Prefix for Number is missing !"},
        {{"N12", "1", "Y2", "Z3", "Da", "C1"}, ": Prefix for X coordinate is missing !"},
        {{"N12", "X1,5", "Y2", "Z3", "Da", "C1"}, ": X coordinate is not a decimal value !"},
        {{"N12", "X1", "2", "Z3", "Da", "C1"}, ": Prefix for Y coordinate is missing !"},
        {{"N12", "X1", "Yx", "Z3", "Da", "C1"}, ": Y coordinate is not a decimal value !"},
        {{"N12", "X1"}, ": Y coordinate is missing !"},
        {{"N12", "X1", "Y2"}, ": Z coordinate is missing !"},
        {{"N12", "X1", "Y2", "3", "Da", "C1"}, ": Prefix for Z coordinate is missing !"},
        {{"N12", "X1", "Y2", "Zinf", "Da", "C1"}, ": Z coordinate is not a decimal value !"},
        {{"N12", "X1", "Y2", "Z3", "a", "C1"}, ": Prefix for Description is missing !"},
        {{"N12", "X1", "Y2", "Z3", "Da", "1"}, ": Prefix for Polyline Code is missing !"},
    };
    for (const auto& c : cases) {
        // A good last line, so that the faulty one is not the last (whose code is replaced).
        convert({c.line, {"N1", "X1", "Y2", "Z3", "Da", "C1"}});
        EXPECT_EQ(report, crlf({std::string("  ! Error in line 1") + c.message, "", ">> 2 lines processed.", created(),
                                "", ""}))
            << c.message;
    }
}

TEST_F(FileConverterTest, AnyNumberIsAcceptedWithoutRenumbering)
{
    convert({{"A12", "10", "20", "5", "a", "1"}, {"12.5", "10", "20", "5", "a", "1"}});
    EXPECT_EQ(textsOn(entities, "NUM"), (std::vector<std::string>{"A12", "12.5"}));
}

TEST_F(FileConverterTest, RenumberingFromAStartCountsRejectedLinesToo)
{
    configuration.modifiers.renumber = 1;
    configuration.modifiers.useNewStartNumber = 1;
    configuration.modifiers.startNumber = 100;
    configuration.modifiers.step = 10;
    FieldRows rows;
    rows.addEmptyRow();
    rows.addRow(mervalon::engine::FieldList{"7", "10", "20", "5", "a", "1"});
    rows.addRow(mervalon::engine::FieldList{"8", "bad", "20", "5", "a", "1"});
    rows.addRow(mervalon::engine::FieldList{"9", "12", "20", "5", "a", "1"});
    convertRows(rows);
    EXPECT_EQ(textsOn(entities, "NUM"), (std::vector<std::string>{"100", "120"}));
    EXPECT_EQ(report, crlf({"  ! Line 1 is empty !", "  ! Error in line 3: X coordinate is not a decimal value !", "",
                            ">> 4 lines processed.", created(), "", ""}));
}

TEST_F(FileConverterTest, RenumberingFromAStartNeedsNoNumberColumn)
{
    format.value(PointValue::Number).column = 0;
    format.value(PointValue::Number).prefix = "P";
    configuration.modifiers.renumber = 1;
    configuration.modifiers.useNewStartNumber = 1;
    configuration.modifiers.startNumber = 1;
    configuration.modifiers.step = 1;
    convert({{"x", "10", "20", "5", "a", "1"}, {"x", "10", "20", "5", "a", "1"}});
    EXPECT_EQ(textsOn(entities, "NUM"), (std::vector<std::string>{"1", "2"}));
}

TEST_F(FileConverterTest, RenumberingByAddingAValue)
{
    configuration.modifiers.renumber = 1;
    configuration.modifiers.useNewStartNumber = 0;
    configuration.modifiers.addValue = 1000;
    convert({{"12", "10", "20", "5", "a", "1"},
             {"A12", "10", "20", "5", "a", "1"},
             {"-5", "10", "20", "5", "a", "1"},
             {"99999999999999999999", "10", "20", "5", "a", "1"},
             {"9223372036854775807", "10", "20", "5", "a", "1"},
             {"12.5", "10", "20", "5", "a", "1"}});
    EXPECT_EQ(textsOn(entities, "NUM"), (std::vector<std::string>{"1012", "995"}));
    EXPECT_EQ(report, crlf({"  ! Error in line 2: Number is not a number, it can not be renumbered !",
                            "  ! Error in line 4: Number is not a number, it can not be renumbered !",
                            "  ! Error in line 5: Number is not a number, it can not be renumbered !",
                            "  ! Error in line 6: Number is not a number, it can not be renumbered !", "",
                            ">> 6 lines processed.", created(), "", ""}));
}

TEST_F(FileConverterTest, RenumberedNumberKeepsItsPrefixWhenAsked)
{
    format.value(PointValue::Number).prefix = "P";
    format.value(PointValue::Number).keepPrefix = 1;
    configuration.modifiers.renumber = 1;
    configuration.modifiers.addValue = 1000;
    convert({{"P12", "10", "20", "5", "a", "1"}});
    EXPECT_EQ(textsOn(entities, "NUM"), std::vector<std::string>{"P1012"});
    format.value(PointValue::Number).keepPrefix = 0;
    convert({{"P12", "10", "20", "5", "a", "1"}});
    EXPECT_EQ(textsOn(entities, "NUM"), std::vector<std::string>{"1012"});
}

TEST_F(FileConverterTest, SkipLineReportsEachFaultyLineAndConvertsTheRest)
{
    const auto result = convert({{"1", "10", "20", "5", "a", "1"},
                                 {"2", "x", "20", "5", "a", "1"},
                                 {"3", "12", "20", "5", "a", "1"},
                                 {"4", "13", "20", "5", "a", "1"},
                                 {"5", "14"},
                                 {"6", "15", "20", "5", "a", "1"}});
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_TRUE(result.errorsLogged);
    EXPECT_EQ(report,
              crlf({"  ! Error in line 2: X coordinate is not a decimal value !",
                    "  ! Error in line 5: Y coordinate is missing !", "", ">> 6 lines processed.", created(), "", ""}));
    EXPECT_EQ(textsOn(entities, "NUM"), (std::vector<std::string>{"1", "3", "4", "6"}));
    EXPECT_TRUE(closed);
}

TEST_F(FileConverterTest, AbortFileStopsAtTheFaultyLineAndRemovesTheDrawing)
{
    const auto result = convert({{"1", "10", "20", "5", "a", "1"},
                                 {"2", "11", "20", "5", "a", "2"},
                                 {"3", "12", "20", "x", "a", "2"},
                                 {"4", "13", "20", "5", "a", "3"}},
                                ErrorPolicy::AbortFile);
    EXPECT_EQ(result.outcome, Outcome::FileAborted);
    EXPECT_TRUE(result.errorsLogged);
    EXPECT_FALSE(result.destinationNotCreated);
    EXPECT_EQ(report, crlf({"  ! Error in line 3: Z coordinate is not a decimal value !", "", ">> 3 lines processed.",
                            ">> Errors in file, Dxf file not created. ", "", ""}));
    EXPECT_FALSE(std::filesystem::exists(pathOf("out.dxf")));
}

// A drawing that is not completed never replaces the older one of its name, and nothing of
// it is left beside it.
TEST_F(FileConverterTest, UncompletedDrawingsKeepTheOlderOne)
{
    const Lines faulty = {{"1", "10", "20", "5", "a", "1"}, {"2", "11"}, {"3", "12", "20", "5", "a", "3"}};
    for (const ErrorPolicy policy : {ErrorPolicy::AbortProcess, ErrorPolicy::AbortFile}) {
        writeFile("out.dxf", kOlderDrawing);
        const auto result = convert(faulty, policy);
        EXPECT_NE(result.outcome, Outcome::Completed);
        EXPECT_EQ(readFile(pathOf("out.dxf")), kOlderDrawing);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), {}), 2) << "only out.dxf and the report";
    }
    EXPECT_EQ(report, crlf({"  ! Error in line 2: Y coordinate is missing !", "", ">> 2 lines processed.",
                            ">> Errors in file, Dxf file not created. ", "", ""}));
}

// The drawing appears under its name only once it is complete.
TEST_F(FileConverterTest, NoPartOfADrawingIsVisibleUnderItsNameWhileItIsWritten)
{
    Lines lines;
    for (int i = 0; i < 20000; ++i) {
        lines.push_back({std::to_string(i), "1000.123456", "2000.654321", "15.25", "a long description", "2"});
    }
    writeFile("out.dxf", kOlderDrawing);
    bool seenOlder = true;
    progress.onLine = [&](std::size_t index) {
        if (index % 5000 == 4999) {
            seenOlder = seenOlder && readFile(pathOf("out.dxf")) == kOlderDrawing;
        }
    };
    EXPECT_EQ(convert(lines).outcome, Outcome::Completed);
    EXPECT_TRUE(seenOlder);
    EXPECT_TRUE(closed);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), {}), 2);
}

// A file size limit makes every write past it fail, as a full disk would.
TEST_F(FileConverterTest, AFailedWriteKeepsTheOlderDrawing)
{
    Lines lines;
    for (int i = 0; i < 20000; ++i) {
        lines.push_back({std::to_string(i), "1000.123456", "2000.654321", "15.25", "a long description", "2"});
    }
    writeFile("out.dxf", kOlderDrawing);
    ConversionResult result;
    {
        const FileSizeLimit limit(256 * 1024);
        result = convert(lines);
    }
    EXPECT_EQ(result.outcome, Outcome::WriteFailed);
    EXPECT_NE(report.find("\" could not be written: File too large !"), std::string::npos) << report;
    EXPECT_EQ(readFile(pathOf("out.dxf")), kOlderDrawing);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), {}), 2);
}

TEST_F(FileConverterTest, DefaultZTakesTheZOffset)
{
    configuration.modifiers.useDefaultZ = 1;
    configuration.modifiers.defaultZ = 100;
    configuration.modifiers.modifyCoordinates = 1;
    configuration.modifiers.zOffset = 0.5;
    format.value(PointValue::Description).column = 0;
    format.value(PointValue::Code).column = 0;
    convert({{"1", "10", "20"}, {"2", "10", "20", "7.25"}});
    ASSERT_EQ(typesOf(entities, "PTS").size(), 2u);
    EXPECT_EQ(entities[0].z, "100.5");
    EXPECT_EQ(textsOn(entities, "ELE"), (std::vector<std::string>{"100.50", "7.75"}));
    EXPECT_EQ(report, crlf({"", ">> 2 lines processed.", created(), "", ""}));
}

TEST_F(FileConverterTest, DefaultZServesAFormatWithoutZColumn)
{
    configuration.modifiers.useDefaultZ = 1;
    configuration.modifiers.defaultZ = 12;
    format.value(PointValue::Z).column = 0;
    format.value(PointValue::Description).column = 4;
    format.value(PointValue::Code).column = 5;
    convert({{"1", "10", "20", "a", "3"}});
    ASSERT_FALSE(entities.empty());
    EXPECT_EQ(entities[0].z, "12");
    EXPECT_EQ(textsOn(entities, "ELE"), std::vector<std::string>{"12.00"});
}

TEST_F(FileConverterTest, CoordinatesStayVerbatimUnlessModified)
{
    format.value(PointValue::Code).column = 0;
    convert({{"1", "1000.500", "+2000.250", "015.0", "a"}});
    ASSERT_FALSE(entities.empty());
    EXPECT_EQ(entities[0].x, "1000.500");
    EXPECT_EQ(entities[0].y, "+2000.250");
    EXPECT_EQ(entities[0].z, "015.0");

    configuration.modifiers.modifyCoordinates = 1;
    convert({{"1", "1000.500", "+2000.250", "015.0", "a"}});
    EXPECT_EQ(entities[0].x, "1000.5");
    EXPECT_EQ(entities[0].y, "2000.25");
    EXPECT_EQ(entities[0].z, "15");

    configuration.modifiers.xOffset = -2.5;
    configuration.modifiers.yOffset = 0.25;
    configuration.modifiers.zOffset = -15;
    convert({{"1", "1000.500", "+2000.250", "015.0", "a"}});
    EXPECT_EQ(entities[0].x, "998");
    EXPECT_EQ(entities[0].y, "2000.5");
    EXPECT_EQ(entities[0].z, "0");
}

TEST_F(FileConverterTest, CoordinateTextsUseTheirDecimalsAndKeptPrefixes)
{
    configuration.entity(EntityKind::X).create = 1;
    configuration.entity(EntityKind::Y).create = 1;
    configuration.entity(EntityKind::X).decimals = 0;
    configuration.entity(EntityKind::Y).decimals = 3;
    configuration.layout.slot = {1, 2, -1, -1, -1};
    format.value(PointValue::Y).prefix = "N=";
    format.value(PointValue::Y).keepPrefix = 1;
    format.value(PointValue::X).prefix = "E=";
    format.value(PointValue::X).keepPrefix = 0;
    convert({{"1", "E=1000.4", "N=2000.25", "5", "a", "1"}});
    EXPECT_EQ(textsOn(entities, "XL"), std::vector<std::string>{"1000"});
    EXPECT_EQ(textsOn(entities, "YL"), std::vector<std::string>{"N=2000.250"});
    ASSERT_FALSE(entities.empty());
    EXPECT_EQ(entities[0].x, "1000.4"); // the prefix never reaches the coordinates
}

TEST_F(FileConverterTest, TextsFollowTheSlotOrderBesideThePoint)
{
    configuration.layout.slot = {4, -1, 0, -1, 3};
    convert({{"7", "10", "20", "5", "oak", "1"}});
    std::vector<std::string> order;
    for (const Entity& e : entities) {
        if (e.type == "TEXT") {
            order.push_back(e.layer + ":" + e.text + "@" + e.y);
        }
    }
    EXPECT_EQ(order, (std::vector<std::string>{"DES:oak@ 2.00000000000000E+0001", "NUM:7@ 1.88000000000000E+0001",
                                               "ELE:5.00@ 1.76000000000000E+0001"}));
}

TEST_F(FileConverterTest, StopRequestLeavesNoDrawingAndLogsNothing)
{
    writeFile("out.dxf", kOlderDrawing);
    progress = RecordingProgress(2);
    const auto result = convert({{"1", "10", "20", "5", "a", "1"},
                                 {"2", "11", "20", "5", "a", "2"},
                                 {"3", "12", "20", "5", "a", "2"},
                                 {"4", "13", "20", "5", "a", "3"}});
    EXPECT_EQ(result.outcome, Outcome::Stopped);
    EXPECT_FALSE(result.errorsLogged);
    EXPECT_EQ(report, "");
    EXPECT_EQ(drawing, kOlderDrawing);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), {}), 2);
    EXPECT_EQ(progress.pumps, 2u);
}

TEST_F(FileConverterTest, ProgressIsToldOncePerLine)
{
    convert({{"1", "10", "20", "5", "a", "1"}, {"2", "11", "20", "5", "a", "2"}, {"3", "12", "20", "5", "a", "3"}});
    EXPECT_EQ(progress.lineCounts, std::vector<std::size_t>{3});
    EXPECT_EQ(progress.labels, std::vector<std::string>{pathOf("out.dxf").string()});
    EXPECT_EQ(progress.positions, (std::vector<std::size_t>{0, 0, 1, 2}));
    EXPECT_EQ(progress.pumps, 3u);
}

TEST_F(FileConverterTest, EmptyFileGivesAnEmptyDrawing)
{
    const auto result = convert({});
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_EQ(report, crlf({"", ">> 0 lines processed.", created(), "", ""}));
    EXPECT_TRUE(closed);
    EXPECT_TRUE(entities.empty());
}

TEST_F(FileConverterTest, LineReadingEmptyIsAnEmptyLine)
{
    convert({{"Empty", "10", "20", "5", "a", "1"}, {"2", "10", "20", "5", "a", "3"}});
    EXPECT_EQ(report, crlf({"  ! Line 1 is empty !", "", ">> 2 lines processed.", created(), "", ""}));
}

TEST_F(FileConverterTest, PointsWithoutZAreDrawnFlatWithOneNotice)
{
    format.value(PointValue::Z).column = 0;
    format.value(PointValue::Description).column = 4;
    format.value(PointValue::Code).column = 5;
    configuration.entity(EntityKind::Elevation).create = 1;
    convert({{"1", "10", "20", "a", "1"}, {"2", "11", "21", "a", "3"}});
    EXPECT_EQ(report, crlf({"  ! Warning: The points have no Z coordinate, 3D entities are drawn at elevation 0.0 !",
                            "", ">> 2 lines processed.", created(), "", ""}));
    for (const Entity& e : entities) {
        if (e.type == "POINT" || e.type == "VERTEX") {
            EXPECT_EQ(e.z, "0.0") << e.type;
        } else if (e.type == "TEXT") {
            EXPECT_EQ(e.z, "0.00") << e.layer; // the elevation precision of the texts
        }
    }
    EXPECT_EQ(textsOn(entities, "ELE"), std::vector<std::string>{}); // no elevation to show
    EXPECT_EQ(vertexXs(entities), (std::vector<std::string>{"|", "10", "11"}));
}

TEST_F(FileConverterTest, NoNoticeWhenEverythingIsFlat)
{
    format.value(PointValue::Z).column = 0;
    format.value(PointValue::Description).column = 4;
    format.value(PointValue::Code).column = 5;
    configuration.entity(EntityKind::Point).flat = 1;
    configuration.entity(EntityKind::Number).flat = 1;
    configuration.entity(EntityKind::Description).flat = 1;
    configuration.entity(EntityKind::Polyline).flat = 1;
    convert({{"1", "10", "20", "a", "3"}});
    EXPECT_EQ(report, crlf({"", ">> 1 lines processed.", created(), "", ""}));
}

TEST_F(FileConverterTest, UncreatableDestinationDependsOnThePolicy)
{
    const auto skip = convert({{"1", "10", "20", "5", "a", "1"}}, ErrorPolicy::SkipLine, pathOf("no/out.dxf"));
    EXPECT_EQ(skip.outcome, Outcome::NotCreated);
    EXPECT_TRUE(skip.destinationNotCreated);
    EXPECT_EQ(skip.destinationError, ENOENT);
    EXPECT_EQ(report, "");
    const auto abort = convert({{"1", "10", "20", "5", "a", "1"}}, ErrorPolicy::AbortProcess, pathOf("no/out.dxf"));
    EXPECT_EQ(abort.outcome, Outcome::ProcessAborted);
    EXPECT_TRUE(abort.destinationNotCreated);
    EXPECT_TRUE(progress.positions.empty());
}

TEST_F(FileConverterTest, FullDiskIsReportedAndNeverCalledCreated)
{
    const auto result = convert({{"1", "10", "20", "5", "a", "1"}, {"2", "11", "20", "5", "a", "3"}},
                                ErrorPolicy::SkipLine, "/dev/full");
    EXPECT_EQ(result.outcome, Outcome::WriteFailed);
    EXPECT_TRUE(result.errorsLogged);
    EXPECT_EQ(report, crlf({"  ! Error: \"/dev/full\" could not be written: No space left on device !", "",
                            ">> 2 lines processed.", ">> Errors in file, Dxf file not created. ", "", ""}));
    EXPECT_TRUE(std::filesystem::exists("/dev/full")); // the device itself is never removed
}

TEST_F(FileConverterTest, FullDiskDuringALongFileIsSeenPartWay)
{
    Lines lines;
    for (int i = 0; i < 20000; ++i) {
        lines.push_back({std::to_string(i), "1000.123456", "2000.654321", "15.25", "a long description", "2"});
    }
    const auto result = convert(lines, ErrorPolicy::SkipLine, "/dev/full");
    EXPECT_EQ(result.outcome, Outcome::WriteFailed);
    EXPECT_EQ(report.find(">> 20000 lines processed."), std::string::npos); // it stopped before the end
    EXPECT_EQ(report.find("Dxf file created"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}

TEST_F(FileConverterTest, ShiftedCoordinatesBeyondTheRangeOfANumberAreRefused)
{
    configuration.modifiers.modifyCoordinates = 1;
    configuration.modifiers.xOffset = 1e308;
    configuration.modifiers.zOffset = -1e308;
    convert(
        {{"1", "1e308", "20", "5", "a", "1"}, {"2", "10", "20", "-1e308", "a", "1"}, {"3", "10", "20", "5", "a", "1"}});
    EXPECT_EQ(report, crlf({"  ! Error in line 1: X coordinate is not a decimal value !",
                            "  ! Error in line 2: Z coordinate is not a decimal value !", "", ">> 3 lines processed.",
                            created(), "", ""}));
    EXPECT_EQ(drawing.find("inf"), std::string::npos);
}

// A file that cannot be read to its end (a failing disk) makes no drawing: the older one stays.
TEST_F(FileConverterTest, AReadFailurePartWayKeepsTheOlderDrawing)
{
    class FailingSecondBatch : public mervalon::engine::RowSource {
      public:
        [[nodiscard]] std::size_t lineCount() const override { return 4; }
        const FieldRows* nextBatch() override
        {
            if (++m_calls == 2) {
                throw std::runtime_error("Cannot read file \"p.txt\". Input/output error");
            }
            return &m_batch;
        }
        [[nodiscard]] bool exhausted() override { return false; }

      private:
        FieldRows m_batch = rowsOf({{"Empty"}, {"2", "11", "20", "5", "a", "1"}});
        int m_calls = 0;
    };
    writeFile("out.dxf", kOlderDrawing);
    FailingSecondBatch source;
    const auto result = convertSource(source);
    EXPECT_EQ(result.outcome, Outcome::ReadFailed);
    EXPECT_EQ(result.readError, "Cannot read file \"p.txt\". Input/output error");
    EXPECT_EQ(report, crlf({"  ! Line 1 is empty !"}));
    EXPECT_EQ(drawing, kOlderDrawing);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), {}), 2);
}
