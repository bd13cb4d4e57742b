// Feeds arbitrary bytes through the text reader and the conversion of one file, under a
// format and a configuration also taken from the input, with every entity enabled. The file
// is converted twice: from all its lines held at once, and read a few lines at a time as a
// long file is; the two drawings and reports must be the same.

#include "core/config/Configuration.h"
#include "core/engine/FileConverter.h"
#include "core/engine/ProgressSink.h"
#include "core/engine/RunLog.h"
#include "core/engine/TextReader.h"
#include "core/formats/FormatDefinition.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

using namespace mervalon;
using config::EntityKind;

// Takes a few bytes off the front of the input to vary the format and configuration.
class Dice {
  public:
    Dice(const std::uint8_t*& data, std::size_t& size) : m_data(data), m_size(size) {}
    std::uint8_t next()
    {
        if (m_size == 0) {
            return 0;
        }
        --m_size;
        return *m_data++;
    }

  private:
    const std::uint8_t*& m_data;
    std::size_t& m_size;
};

formats::FormatDefinition formatFrom(Dice& dice)
{
    static const char kSeparators[] = {',', ';', ' ', '\t', '|', '\0'};
    formats::FormatDefinition format;
    const auto separator = static_cast<std::size_t>(dice.next() % sizeof kSeparators);
    if (kSeparators[separator] != '\0') {
        format.separator = std::string(1, kSeparators[separator]);
    }
    for (formats::PointValue value : formats::kPointValues) {
        format.setColumn(value, dice.next() % 9 - 1);
        if (dice.next() % 4 == 0) {
            format.setPrefix(value, "P");
        }
        format.setKeepsPrefix(value, dice.next() % 2 == 0);
    }
    format.newPolylineCode = "1";
    format.drawPolylineCode = "2";
    format.endPolylineCode = "3";
    format.firstLine = dice.next() % 4;
    return format;
}

config::Configuration configurationFrom(Dice& dice)
{
    config::Configuration c;
    // Bit 0 flattens the point, bit 1 the polyline, bit 2 every text.
    const std::uint8_t flat = dice.next();
    for (const config::EntityKindInfo& kind : config::kEntityKinds) {
        config::EntitySettings& entity = c.entity(kind.kind);
        entity.create = 1;
        const int bit = kind.kind == EntityKind::Point ? 0 : kind.kind == EntityKind::Polyline ? 1 : 2;
        entity.flat = (flat >> bit) & 1;
        entity.height = kind.hasHeight ? "0.5" : "";
        entity.layer = "L";
    }
    c.entity(EntityKind::X).decimals = dice.next() % 8 - 1;
    c.entity(EntityKind::Y).decimals = 3;
    c.entity(EntityKind::Elevation).decimals = dice.next() % 8 - 1;
    c.layout.slot = {0, 1, 2, 3, 4};
    c.layout.distance = "0.5";
    const std::uint8_t modifiers = dice.next();
    c.modifiers.renumber = modifiers & 1;
    c.modifiers.useNewStartNumber = (modifiers >> 1) & 1;
    c.modifiers.startNumber = 2147483600;
    c.modifiers.step = 7;
    c.modifiers.addValue = -1000;
    c.modifiers.modifyCoordinates = (modifiers >> 2) & 1;
    c.modifiers.xOffset = 1e300;
    c.modifiers.zOffset = -0.5;
    c.modifiers.useDefaultZ = (modifiers >> 3) & 1;
    c.modifiers.defaultZ = 100;
    return c;
}

// A text file's lines in batches of a few lines and bytes.
class SmallBatches : public engine::RowSource {
  public:
    SmallBatches(engine::TextLineReader& reader, std::size_t lines) : m_reader(reader), m_lines(lines) {}
    [[nodiscard]] std::size_t lineCount() const override { return m_reader.lineCount(); }
    const engine::FieldRows* nextBatch() override
    {
        m_rows.clear();
        return m_reader.readBatch(m_rows, m_lines, 64) ? &m_rows : nullptr;
    }
    [[nodiscard]] bool exhausted() override { return m_reader.exhausted(); }

  private:
    engine::TextLineReader& m_reader;
    std::size_t m_lines;
    engine::FieldRows m_rows;
};

std::string contentOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Converts into `stem`.dxf with its report in `stem`.log, and returns both, then removes them.
std::string convertedBy(engine::RowSource& rows, const engine::ConversionSettings& settings, const std::string& stem)
{
    const std::string drawing = stem + ".dxf";
    const std::string report = stem + ".log";
    {
        engine::RunLog log(report);
        engine::SilentProgress progress;
        engine::convertFile(rows, settings, drawing, log, progress);
        log.close();
    }
    std::string result = contentOf(drawing) + "\n---\n" + contentOf(report);
    unlink(drawing.c_str());
    unlink(report.c_str());
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Dice dice(data, size);
    const formats::FormatDefinition format = formatFrom(dice);
    const config::Configuration configuration = configurationFrom(dice);
    const auto policy = static_cast<engine::ErrorPolicy>(dice.next() % 3);
    const std::size_t batchLines = 1 + dice.next() % 3;

    char input[] = "/tmp/mervalon-fuzz-XXXXXX";
    const int fd = mkstemp(input);
    if (fd < 0) {
        return 0;
    }
    const bool written = write(fd, data, size) == static_cast<ssize_t>(size);
    close(fd);
    if (written) {
        try {
            const engine::FieldRows rows = engine::readTextLines(input, format.separator, format.firstLine);
            const std::string prologue = "  0\r\nSECTION\r\n  2\r\nTABLES\r\n  0\r\nTABLE\r\n  2\r\nLAYER\r\n 70\r\n";
            const engine::ConversionSettings settings{configuration, format, policy, prologue};
            engine::HeldRows held(rows);
            // Both under one name: the report names the drawing.
            const std::string stem = std::string(input) + "-out";
            const std::string whole = convertedBy(held, settings, stem);
            engine::TextLineReader reader(input, format.separator, format.firstLine);
            reader.survey();
            SmallBatches batches(reader, batchLines);
            if (convertedBy(batches, settings, stem) != whole) {
                std::fputs("a file read in batches converts differently from its lines held at once\n", stderr);
                std::abort();
            }
        } catch (const std::exception&) {
            // A reported failure is a fine outcome; only crashes and undefined behaviour are faults.
        }
    }
    unlink(input);
    return 0;
}
