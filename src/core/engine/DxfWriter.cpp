#include "core/engine/DxfWriter.h"

#include "core/engine/FieldAccess.h"
#include "core/engine/NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace mervalon::engine {
namespace {

using config::Configuration;
using config::EntityContent;

constexpr std::string_view kEol = "\r\n";

struct LayerEntry {
    std::uint8_t create;
    const std::string* layer;
    std::int32_t color;
};

// The elevation precision serves the insertion point of every text kind; a stored value
// outside the offered 0..5 (none chosen, or a damaged record) is kept within what fixed
// notation can show rather than refused.
int clampDecimals(std::int32_t decimals) { return std::clamp(decimals, 0, 15); }

} // namespace

DxfWriter::DxfWriter(const Configuration& configuration, std::string_view prologue)
    : m_configuration(configuration)
    , m_prologue(prologue)
{
    const Configuration& c = configuration;
    const auto kind = [](std::uint8_t is2D, const std::string& layer, const std::string& height, const char* style) {
        TextKind text;
        text.is2D = is2D != 0;
        text.layer = layer;
        text.height = height;
        const auto value = readDecimal(height);
        text.heightIsNumber = value.has_value();
        text.heightValue = value.value_or(0);
        text.style = style;
        return text;
    };
    m_textKinds[0] = kind(c.number2D, c.numberLayer, c.numberHeight, "NUMBERS");
    m_textKinds[1] = kind(c.x2D, c.xLayer, c.xHeight, "COORDINATES");
    m_textKinds[2] = kind(c.y2D, c.yLayer, c.yHeight, "COORDINATES");
    m_textKinds[3] = kind(c.elevation2D, c.elevationLayer, c.elevationHeight, "ELEVATION");
    m_textKinds[4] = kind(c.description2D, c.descriptionLayer, c.descriptionHeight, "DESCRIPTION");
    const auto distance = readDecimal(c.layout.distance);
    m_distanceIsNumber = distance.has_value();
    m_distance = distance.value_or(0);
}

const std::optional<double>& DxfWriter::CachedNumber::read(std::string_view newText)
{
    if (newText != text || text.empty()) {
        text.assign(newText);
        value = readDecimal(newText);
    }
    return value;
}

void DxfWriter::appendLine(std::string_view text)
{
    std::string& out = m_file.buffer();
    out.append(text);
    out.append(kEol);
}

void DxfWriter::appendHandle()
{
    char digits[16];
    auto result = std::to_chars(digits, digits + sizeof digits, static_cast<std::uint32_t>(m_handleCounter), 16);
    const auto length = static_cast<std::size_t>(result.ptr - digits);
    std::string& out = m_file.buffer();
    out.append("  5\r\n");
    if (length < 4) {
        out.append(4 - length, '0');
    }
    for (std::size_t i = 0; i < length; ++i) {
        out += static_cast<char>(digits[i] >= 'a' ? digits[i] - 'a' + 'A' : digits[i]);
    }
    out.append(kEol);
    ++m_handleCounter;
}

bool DxfWriter::beginDrawing(const std::filesystem::path& destination)
{
    if (!m_file.open(destination)) {
        return false;
    }
    m_file.buffer().append(m_prologue);
    writeLayerTable();
    appendLine("  0");
    appendLine("ENDTAB");
    appendLine("  0");
    appendLine("ENDSEC");
    appendLine("  0");
    appendLine("SECTION");
    appendLine("  2");
    appendLine("ENTITIES");
    m_handleCounter = kFirstEntityHandle;
    m_file.flushIfFull();
    return true;
}

void DxfWriter::writeLayerTable()
{
    const Configuration& c = m_configuration;
    const LayerEntry entries[] = {
        {c.pointCreate, &c.pointLayer, c.pointColor},
        {c.numberCreate, &c.numberLayer, c.numberColor},
        {c.xCreate, &c.xLayer, c.xColor},
        {c.yCreate, &c.yLayer, c.yColor},
        {c.elevationCreate, &c.elevationLayer, c.elevationColor},
        {c.descriptionCreate, &c.descriptionLayer, c.descriptionColor},
        {c.polylineCreate, &c.polylineLayer, c.polylineColor},
    };
    const auto count = std::count_if(std::begin(entries), std::end(entries),
                                     [](const LayerEntry& entry) { return isCreateFlagSet(entry.create); });
    appendLine(std::to_string(count));
    for (const LayerEntry& entry : entries) {
        if (!isCreateFlagSet(entry.create)) {
            continue;
        }
        appendLine("  0");
        appendLine("LAYER");
        appendLine("  2");
        appendLine(*entry.layer);
        appendLine(" 70");
        appendLine("  0");
        appendLine(" 62");
        appendLine(std::to_string(entry.color));
        appendLine("  6");
        appendLine("CONTINUOUS");
    }
}

void DxfWriter::writePoint(std::string_view x, std::string_view y, std::string_view z)
{
    appendLine("  0");
    appendLine("POINT");
    appendHandle();
    appendLine("  8");
    appendLine(m_configuration.pointLayer);
    appendLine(" 10");
    appendLine(x);
    appendLine(" 20");
    appendLine(y);
    appendLine(" 30");
    appendLine(m_configuration.point2D != 0 ? std::string_view("0.0") : z);
    m_file.flushIfFull();
}

void DxfWriter::writePolyline(const std::vector<Vertex>& vertices)
{
    const std::string& layer = m_configuration.polylineLayer;
    const bool flat = m_configuration.polyline2D != 0;
    appendLine("  0");
    appendLine("POLYLINE");
    appendHandle();
    appendLine("  8");
    appendLine(layer);
    m_file.buffer().append(" 66\r\n1\r\n 10\r\n0.0\r\n 20\r\n0.0\r\n 30\r\n0.0\r\n 70\r\n8\r\n");
    for (const Vertex& vertex : vertices) {
        appendLine("  0");
        appendLine("VERTEX");
        appendHandle();
        appendLine("  8");
        appendLine(layer);
        appendLine(" 10");
        appendLine(vertex.x);
        appendLine(" 20");
        appendLine(vertex.y);
        appendLine(" 30");
        appendLine(flat ? std::string_view("0.0") : std::string_view(vertex.z));
        appendLine(" 70");
        appendLine("32");
        m_file.flushIfFull();
    }
    appendLine("  0");
    appendLine("SEQEND");
    appendHandle();
    appendLine("  8");
    appendLine(layer);
    m_file.flushIfFull();
}

void DxfWriter::beginPointTexts(double x)
{
    m_textOffset = 0;
    m_textX.clear();
    const double textX = x + m_distance;
    // A position beyond the range of a number has no notation; its texts are not written.
    m_textXIsNumber = std::isfinite(textX);
    if (m_textXIsNumber) {
        appendFixed(m_textX, textX, 14);
    }
}

int DxfWriter::elevationDecimals() const { return clampDecimals(m_configuration.elevationDecimals); }

bool DxfWriter::writeText(EntityContent kind, std::string_view content, std::string_view y, std::string_view z)
{
    const auto index = static_cast<std::int32_t>(kind);
    if (index < 0 || index >= static_cast<std::int32_t>(m_textKinds.size())) {
        return false;
    }
    const TextKind& text = m_textKinds[static_cast<std::size_t>(index)];
    // Every conversion is done before the first line is written, so that a failure leaves
    // no partial entity behind and does not move the texts that follow.
    const std::optional<double>& yValue = m_y.read(y);
    const std::optional<double> zValue = text.is2D ? std::optional<double>(0.0) : m_z.read(z);
    if (!yValue || !zValue || !text.heightIsNumber || !m_distanceIsNumber || !m_textXIsNumber ||
        !std::isfinite(*yValue - m_textOffset)) {
        return false;
    }
    appendLine("  0");
    appendLine("TEXT");
    appendHandle();
    appendLine("  8");
    appendLine(text.layer);
    appendLine(" 10");
    appendLine(m_textX);
    std::string& out = m_file.buffer();
    out.append(" 20\r\n");
    appendSci23(out, *yValue - m_textOffset);
    out.append("\r\n 30\r\n");
    if (text.is2D) {
        out.append("0.0");
    } else {
        appendFixed(out, *zValue, elevationDecimals());
    }
    out.append("\r\n 40\r\n");
    appendLine(text.height);
    appendLine("  1");
    appendLine(content);
    appendLine("  7");
    appendLine(text.style);
    m_textOffset += 1.2 * text.heightValue;
    m_file.flushIfFull();
    return true;
}

bool DxfWriter::finishDrawing()
{
    appendLine("  0");
    appendLine("ENDSEC");
    appendLine("  0");
    appendLine("EOF");
    return m_file.close();
}

void DxfWriter::abandonDrawing() { m_file.close(); }

} // namespace mervalon::engine
