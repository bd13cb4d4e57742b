// Feeds arbitrary bytes through the text reader and the conversion of one file, under a
// format and a configuration also taken from the input, with every entity enabled.

#include "core/config/Configuration.h"
#include "core/engine/FileConverter.h"
#include "core/engine/ProgressSink.h"
#include "core/engine/RunLog.h"
#include "core/engine/TextReader.h"
#include "core/formats/FormatDefinition.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <unistd.h>

namespace {

using namespace mervalon;

// Takes a few bytes off the front of the input to vary the format and configuration.
class Dice {
public:
    Dice(const std::uint8_t*& data, std::size_t& size)
        : m_data(data)
        , m_size(size)
    {
    }
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
    c.pointCreate = c.numberCreate = c.xCreate = c.yCreate = c.elevationCreate = c.descriptionCreate =
        c.polylineCreate = 1;
    const std::uint8_t flat = dice.next();
    c.point2D = flat & 1;
    c.polyline2D = (flat >> 1) & 1;
    c.number2D = c.x2D = c.y2D = c.elevation2D = c.description2D = (flat >> 2) & 1;
    c.numberHeight = c.xHeight = c.yHeight = c.elevationHeight = c.descriptionHeight = "0.5";
    c.pointLayer = c.numberLayer = c.xLayer = c.yLayer = c.elevationLayer = c.descriptionLayer = c.polylineLayer = "L";
    c.xDecimals = dice.next() % 8 - 1;
    c.yDecimals = 3;
    c.elevationDecimals = dice.next() % 8 - 1;
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Dice dice(data, size);
    const formats::FormatDefinition format = formatFrom(dice);
    const config::Configuration configuration = configurationFrom(dice);
    const auto policy = static_cast<engine::ErrorPolicy>(dice.next() % 3);

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
            engine::RunLog log("/dev/null");
            engine::SilentProgress progress;
            const std::string prologue = "  0\r\nSECTION\r\n  2\r\nTABLES\r\n  0\r\nTABLE\r\n  2\r\nLAYER\r\n 70\r\n";
            const engine::ConversionSettings settings{configuration, format, policy, prologue};
            const std::string destination = std::string(input) + ".dxf";
            engine::convertFile(rows, settings, destination, log, progress);
            unlink(destination.c_str());
            log.close();
        } catch (const std::exception&) {
            // A reported failure is a fine outcome; only crashes and undefined behaviour are faults.
        }
    }
    unlink(input);
    return 0;
}
