// Feeds arbitrary bytes as the record files a user's installation holds: a format (.rpf), a
// configuration (.rp4) or the file-type list (mervalon40.ext), chosen by the first byte. Each is
// read as the programs read it, written back and read again (which must give the same), and a
// format or configuration that reads is used for the conversion of a few lines.

#include "core/config/Configuration.h"
#include "core/config/ExtensionList.h"
#include "core/engine/DrawingLayers.h"
#include "core/engine/FieldRows.h"
#include "core/engine/FileConverter.h"
#include "core/engine/ProgressSink.h"
#include "core/engine/RunLog.h"
#include "core/formats/FormatDefinition.h"

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using mervalon::formats::PointValue;

namespace {

using namespace mervalon;
namespace fs = std::filesystem;

// A property that must hold for every input; libFuzzer reports the abort with the input.
void require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// A folder of its own per process, removed at the end of every input.
struct Scratch {
    fs::path dir = fs::temp_directory_path() / ("mervalon-fuzz-records-" + std::to_string(::getpid()));
    Scratch() { fs::create_directories(dir / "formats"); }
    ~Scratch()
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
};

void writeBytes(const fs::path& path, const std::uint8_t* data, std::size_t size)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

config::Configuration everyEntity()
{
    config::Configuration c;
    for (const config::EntityKindInfo& kind : config::kEntityKinds) {
        config::EntitySettings& entity = c.entity(kind.kind);
        entity.create = 1;
        entity.height = kind.hasHeight ? "0.5" : "";
        entity.layer = "L";
    }
    c.layout.slot = {0, 1, 2, 3, 4};
    c.layout.distance = "0.5";
    return c;
}

formats::FormatDefinition sixColumns()
{
    formats::FormatDefinition f;
    f.value(PointValue::Number).column = 1;
    f.value(PointValue::X).column = 2;
    f.value(PointValue::Y).column = 3;
    f.value(PointValue::Z).column = 4;
    f.value(PointValue::Description).column = 5;
    f.value(PointValue::Code).column = 6;
    f.separator = ",";
    f.newPolylineCode = "1";
    f.drawPolylineCode = "2";
    f.endPolylineCode = "3";
    return f;
}

// Lines as a prefix-free six-column format or a prefixed one would take them.
void convertSample(const Scratch& scratch, const config::Configuration& configuration,
                   const formats::FormatDefinition& format)
{
    engine::FieldRows rows;
    rows.addRow(engine::FieldList{"1", "1000.5", "2000.25", "15.5", "tree", "1"});
    rows.addRow(engine::FieldList{"P2", "X1010", "Y2000", "Z16", "Dfence", "C2"});
    rows.addEmptyRow();
    rows.addRow(engine::FieldList{"3", "1e308", "-1e308", "nan", "", "3"});
    rows.addRow(engine::FieldList{"4", "1020", "2010"});
    engine::RunLog log("/dev/null");
    engine::SilentProgress progress;
    const std::string prologue = "  0\r\nSECTION\r\n  2\r\nTABLES\r\n  0\r\nTABLE\r\n  2\r\nLAYER\r\n 70\r\n";
    for (const auto policy : {engine::ErrorPolicy::SkipLine, engine::ErrorPolicy::AbortFile}) {
        const engine::ConversionSettings settings{configuration, format, policy, prologue};
        engine::convertFile(rows, settings, scratch.dir / "out.dxf", log, progress);
    }
    log.close();
}

void fuzzFormat(const Scratch& scratch, const std::uint8_t* data, std::size_t size)
{
    writeBytes(scratch.dir / "formats" / "f.rpf", data, size);
    formats::FormatDefinition format;
    try {
        format = formats::loadFormatFile(scratch.dir, "f");
    } catch (const formats::NotAFormat&) {
        require(size < formats::FormatDefinition::kSize);
        return;
    }
    require(size >= formats::FormatDefinition::kSize);
    formats::saveFormatFile(scratch.dir, format, "again");
    require(formats::loadFormatFile(scratch.dir, "again") == format);
    convertSample(scratch, everyEntity(), format);
}

void fuzzConfiguration(const Scratch& scratch, const std::uint8_t* data, std::size_t size)
{
    const fs::path path = scratch.dir / "c.rp4";
    writeBytes(path, data, size);
    config::Configuration configuration;
    try {
        configuration = config::readConfigurationFile(path);
    } catch (const config::NotAConfiguration&) {
        require(size < config::Configuration::kSize);
        return;
    }
    // Byte for byte, so that a NaN offset compares too.
    const config::ConfigurationBytes once = config::encodeConfiguration(configuration);
    config::writeConfigurationFile(scratch.dir / "again.rp4", configuration);
    require(config::encodeConfiguration(config::readConfigurationFile(scratch.dir / "again.rp4")) == once);
    if (const auto fault = engine::layerFault(configuration)) {
        require(!fault->empty());
        return; // the run refuses it before any drawing
    }
    convertSample(scratch, configuration, sixColumns());
}

void fuzzExtensionList(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const config::ExtensionList list = config::ExtensionList::parse(text);
    require(config::ExtensionList::parse(list.serialize()) == list);
    for (std::size_t i = 0; i <= list.count(); ++i) {
        const std::vector<std::string> extensions = list.extensionsAt(i);
        config::buildMask(extensions);
        config::maskPatterns(extensions);
    }
    require(list.displayNames().size() == list.count());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::uint8_t kind = data[0] % 3;
    ++data;
    --size;
    try {
        const Scratch scratch;
        switch (kind) {
        case 0:
            fuzzFormat(scratch, data, size);
            break;
        case 1:
            fuzzConfiguration(scratch, data, size);
            break;
        default:
            fuzzExtensionList(data, size);
            break;
        }
    } catch (const std::system_error&) {
        // A file that cannot be written in the scratch folder says nothing about the records.
    }
    return 0;
}
