// Lines formatted ahead on threads of their own must make the drawing, the report, the result
// and the progress of the conversion that formats each line as it writes it, byte for byte,
// wherever the batches happen to be cut.

#include "DrawingSetup.h"
#include "EngineTestSupport.h"
#include "core/engine/FileConverter.h"
#include "core/engine/RunLog.h"
#include "core/engine/TextReader.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using mervalon::config::Configuration;
using mervalon::config::EntityKind;
using mervalon::engine::ConversionResult;
using mervalon::engine::ConversionSettings;
using mervalon::engine::ErrorPolicy;
using mervalon::engine::RunLog;
using mervalon::engine::TextLineReader;
using mervalon::enginetest::RecordingProgress;
using mervalon::enginetest::TempFolderTest;
using mervalon::formats::FormatDefinition;
using mervalon::formats::PointValue;
using mervalon::testsupport::draw;
using mervalon::testsupport::formatOfColumns;
using mervalon::testsupport::sixColumnFormat;
using mervalon::testsupport::withPolylineCodes123;

// Every entity kind on, texts in all five places.
Configuration allEntities()
{
    Configuration c;
    draw(c, EntityKind::Point, "PTS");
    draw(c, EntityKind::Number, "NUM", "1");
    draw(c, EntityKind::X, "XL", "1").decimals = 3;
    draw(c, EntityKind::Y, "YL", "1").decimals = 3;
    draw(c, EntityKind::Elevation, "ELE", "1").decimals = 2;
    draw(c, EntityKind::Description, "DES", "1");
    draw(c, EntityKind::Polyline, "PL");
    c.layout.slot = {0, 1, 2, 3, 4};
    c.layout.distance = "0.5";
    return c;
}

// Lines of points whose codes string polylines across any cut: 1 starts, 2 goes on, 3 ends,
// 7 is no polyline code; every `faultEvery`-th line lacks its Y, every 11th its description,
// every 13th is empty.
std::string pointLines(int count, int faultEvery = 0)
{
    static const char* const kCodes[] = {"1", "2", "2", "7", "2", "3", "2", "1", "2", "1", "2", "2", "3"};
    std::string text;
    for (int i = 1; i <= count; ++i) {
        if (i % 13 == 0) {
            text += "\r\n";
            continue;
        }
        const std::string y = (faultEvery > 0 && i % faultEvery == 0) ? "north" : std::to_string(6500000 + i * 3);
        const std::string description = i % 11 == 0 ? "" : "tree " + std::to_string(i);
        text += std::to_string(100 + i) + "," + std::to_string(512000 + i) + ".125," + y + ".5," +
                std::to_string(i % 50) + ".25," + description + "," + kCodes[i % 13] + "\r\n";
    }
    return text;
}

struct Scenario {
    const char* name;
    std::string lines;
    ErrorPolicy policy = ErrorPolicy::SkipLine;
    std::function<void(FormatDefinition&, Configuration&)> adjust = {};
    std::size_t stopAtLine = SIZE_MAX;
    bool toFullDevice = false; // every write out of the drawing fails
};

struct Outcome {
    std::string drawing;
    std::string report;
    ConversionResult result;
    std::vector<std::size_t> positions;
    std::size_t pumps = 0;
};

class FormattingAheadTest : public TempFolderTest {
  protected:
    Outcome convert(const Scenario& scenario, unsigned threads, std::size_t linesAhead)
    {
        FormatDefinition format = withPolylineCodes123(sixColumnFormat());
        Configuration configuration = allEntities();
        if (scenario.adjust) {
            scenario.adjust(format, configuration);
        }
        const auto source = writeFile("points.txt", scenario.lines);
        const auto destination = scenario.toFullDevice ? std::filesystem::path("/dev/full") : pathOf("points.dxf");
        std::filesystem::remove(pathOf("points.dxf"));
        ConversionSettings settings{configuration, format, scenario.policy,
                                    "  0\r\nSECTION\r\n  0\r\nTABLE\r\n"
                                    "  2\r\nLAYER\r\n 70\r\n"};
        settings.formattingThreads = threads;
        settings.linesAhead = linesAhead;
        RecordingProgress progress(scenario.stopAtLine);
        Outcome outcome;
        {
            RunLog log(pathOf("report.log"));
            TextLineReader reader(source, format.separator, format.firstLine);
            outcome.result = mervalon::engine::convertFile(reader, settings, destination, log, progress);
            log.close();
        }
        outcome.report = readFile(pathOf("report.log"));
        if (std::filesystem::exists(pathOf("points.dxf"))) {
            outcome.drawing = readFile(pathOf("points.dxf"));
        }
        outcome.positions = progress.positions;
        outcome.pumps = progress.pumps;
        return outcome;
    }
};

void expectSame(const Outcome& ahead, const Outcome& lineByLine)
{
    EXPECT_EQ(ahead.drawing, lineByLine.drawing);
    EXPECT_EQ(ahead.report, lineByLine.report);
    EXPECT_EQ(ahead.result.outcome, lineByLine.result.outcome);
    EXPECT_EQ(ahead.result.lines, lineByLine.result.lines);
    EXPECT_EQ(ahead.result.points, lineByLine.result.points);
    EXPECT_EQ(ahead.result.texts, lineByLine.result.texts);
    EXPECT_EQ(ahead.result.polylines, lineByLine.result.polylines);
    EXPECT_EQ(ahead.result.errorsLogged, lineByLine.result.errorsLogged);
    EXPECT_EQ(ahead.result.destinationError, lineByLine.result.destinationError);
    EXPECT_EQ(ahead.positions, lineByLine.positions);
    EXPECT_EQ(ahead.pumps, lineByLine.pumps);
}

std::vector<Scenario> scenarios()
{
    const auto noZ = [](FormatDefinition& f, Configuration&) {
        f = withPolylineCodes123(formatOfColumns(
            "noz", ",", {PointValue::Number, PointValue::X, PointValue::Y, PointValue::Code, PointValue::Description}));
    };
    const auto renumberFrom = [](FormatDefinition&, Configuration& c) {
        c.modifiers.renumber = 1;
        c.modifiers.useNewStartNumber = 1;
        c.modifiers.startNumber = 500;
        c.modifiers.step = 5;
    };
    const auto shifted = [](FormatDefinition&, Configuration& c) {
        c.modifiers.modifyCoordinates = 1;
        c.modifiers.xOffset = -512000.125;
        c.modifiers.yOffset = 0.25;
        c.modifiers.zOffset = -10;
    };
    const auto heightNoNumber = [](FormatDefinition&, Configuration& c) { c.entity(EntityKind::Y).height = "high"; };
    const auto pointsOff = [](FormatDefinition&, Configuration& c) { c.entity(EntityKind::Point).create = 0; };
    return {
        {"points and polylines", pointLines(60)},
        {"faulty lines skipped", pointLines(60, 7)},
        {"a fault ends the file", pointLines(60, 17), ErrorPolicy::AbortFile},
        {"a fault ends the run", pointLines(60, 17), ErrorPolicy::AbortProcess},
        {"no elevation column", pointLines(40), ErrorPolicy::SkipLine, noZ},
        {"renumbered from a start", pointLines(40, 9), ErrorPolicy::SkipLine, renumberFrom},
        {"coordinates shifted", pointLines(40), ErrorPolicy::SkipLine, shifted},
        {"a text height that is no number", pointLines(30), ErrorPolicy::SkipLine, heightNoNumber},
        {"polylines without points", pointLines(30), ErrorPolicy::SkipLine, pointsOff},
        {"stopped part-way", pointLines(60), ErrorPolicy::SkipLine, {}, 23},
        {"one line", "1,2,3,4,one,1\r\n"},
        {"a polyline open at the end", "1,2,3,4,a,1\r\n2,3,4,5,b,2\r\n3,4,5,6,c,2\r\n"},
        {"only empty lines", "\r\n\r\n\r\n"},
        {"a full disk", pointLines(4000), ErrorPolicy::SkipLine, {}, SIZE_MAX, true},
    };
}

TEST_F(FormattingAheadTest, SameDrawingReportAndProgressWhereverTheBatchesAreCut)
{
    for (const Scenario& scenario : scenarios()) {
        const Outcome lineByLine = convert(scenario, 0, 0);
        for (const unsigned threads : {1u, 2u, 3u}) {
            for (const std::size_t linesAhead : {1u, 2u, 5u, 12u, 1024u}) {
                SCOPED_TRACE(std::string(scenario.name) + ", threads " + std::to_string(threads) + ", lines ahead " +
                             std::to_string(linesAhead));
                expectSame(convert(scenario, threads, linesAhead), lineByLine);
            }
        }
    }
}

// The scenarios are what they say: a check that the comparison above compares something.
TEST_F(FormattingAheadTest, TheScenariosReachWhatTheyAreAbout)
{
    const std::vector<Scenario> all = scenarios();
    const auto outcomeOf = [&](const char* name) {
        for (const Scenario& scenario : all) {
            if (std::string(scenario.name) == name) {
                return convert(scenario, 2, 5);
            }
        }
        throw std::logic_error(name);
    };
    using Result = ConversionResult::Outcome;
    const Outcome polylines = outcomeOf("points and polylines");
    EXPECT_EQ(polylines.result.outcome, Result::Completed);
    EXPECT_GT(polylines.result.polylines, 5U);
    EXPECT_EQ(outcomeOf("a fault ends the file").result.outcome, Result::FileAborted);
    EXPECT_EQ(outcomeOf("a fault ends the run").result.outcome, Result::ProcessAborted);
    const Outcome noZ = outcomeOf("no elevation column");
    EXPECT_NE(noZ.report.find("have no Z coordinate"), std::string::npos);
    EXPECT_EQ(noZ.report.find("have no Z coordinate"), noZ.report.rfind("have no Z coordinate"));
    EXPECT_NE(outcomeOf("renumbered from a start").drawing.find("\r\n515\r\n"), std::string::npos);
    EXPECT_NE(outcomeOf("a text height that is no number").report.find("texts were not written"), std::string::npos);
    const Outcome stopped = outcomeOf("stopped part-way");
    EXPECT_EQ(stopped.result.outcome, Result::Stopped);
    EXPECT_EQ(stopped.positions.back(), 23U);
    const Outcome full = outcomeOf("a full disk");
    EXPECT_EQ(full.result.outcome, Result::WriteFailed);
    EXPECT_NE(full.report.find("No space left on device"), std::string::npos);
}

} // namespace
