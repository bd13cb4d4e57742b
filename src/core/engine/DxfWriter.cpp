#include "core/engine/DxfWriter.h"

#include "core/engine/FieldAccess.h"
#include "core/engine/NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

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

bool isControl(char c) { return static_cast<unsigned char>(c) < 32; }

// Every value is one line of the drawing: a line break inside one would end it there and make
// the rest of the file unreadable, so no control character is ever written into a value. The
// readers already turn them into blanks; this holds for whatever else reaches the writer
// (a prefix from a damaged format, a layer name the run did not check).
std::string_view valueText(std::string_view text, std::string& cleaned)
{
    if (std::none_of(text.begin(), text.end(), isControl)) {
        return text;
    }
    cleaned.assign(text);
    std::replace_if(cleaned.begin(), cleaned.end(), isControl, ' ');
    return cleaned;
}

std::string valueText(std::string_view text)
{
    std::string cleaned;
    return std::string(valueText(text, cleaned));
}

// Writing into room reserved beforehand. A literal's length is known when compiling, so its
// copy becomes a few moves instead of a call.
template <std::size_t N>
char* put(char* p, const char (&text)[N])
{
    std::memcpy(p, text, N - 1);
    return p + (N - 1);
}

char* put(char* p, std::string_view text)
{
    if (!text.empty()) { // an empty view may have no data at all, and memcpy must not see it
        std::memcpy(p, text.data(), text.size());
    }
    return p + text.size();
}

// Room for an entity's constant lines and its handle; the caller adds its values' lengths.
constexpr std::size_t kEntityRoom = 160;

} // namespace

DxfWriter::DxfWriter(const Configuration& configuration, std::string_view prologue)
    : m_configuration(configuration)
    , m_prologue(prologue)
{
    const Configuration& c = configuration;
    const auto kind = [](std::uint8_t is2D, const std::string& layer, const std::string& height, const char* style) {
        TextKind text;
        text.is2D = is2D != 0;
        const auto value = readDecimal(height);
        text.heightIsNumber = value.has_value();
        text.heightValue = value.value_or(0);
        text.layerBlock = "  8\r\n" + valueText(layer) + "\r\n 10\r\n";
        text.heightBlock = " 40\r\n" + valueText(height) + "\r\n  1\r\n";
        text.styleBlock = "  7\r\n" + std::string(style) + "\r\n";
        return text;
    };
    m_pointLayerBlock = "  8\r\n" + valueText(c.pointLayer) + "\r\n 10\r\n";
    m_polylineLayerBlock = "  8\r\n" + valueText(c.polylineLayer) + "\r\n";
    m_textKinds[0] = kind(c.number2D, c.numberLayer, c.numberHeight, "NUMBERS");
    m_textKinds[1] = kind(c.x2D, c.xLayer, c.xHeight, "COORDINATES");
    m_textKinds[2] = kind(c.y2D, c.yLayer, c.yHeight, "COORDINATES");
    m_textKinds[3] = kind(c.elevation2D, c.elevationLayer, c.elevationHeight, "ELEVATION");
    m_textKinds[4] = kind(c.description2D, c.descriptionLayer, c.descriptionHeight, "DESCRIPTION");
    const auto distance = readDecimal(c.layout.distance);
    m_distanceIsNumber = distance.has_value();
    m_distance = distance.value_or(0);
}

void DxfWriter::appendLine(std::string_view text)
{
    m_file.append(text);
    m_file.append(kEol);
}

// Writes the handle of the entity begun, then counts it up: the hexadecimal text is
// incremented in place, which costs far less than formatting the counter for every entity.
char* DxfWriter::putHandle(char* p)
{
    p = put(p, m_handleText);
    p = put(p, "\r\n");
    ++m_handleCounter;
    for (auto digit = m_handleText.rbegin(); digit != m_handleText.rend(); ++digit) {
        if (*digit == '9') {
            *digit = 'A';
            return p;
        }
        if (*digit != 'F') {
            ++*digit;
            return p;
        }
        *digit = '0';
    }
    m_handleText.insert(m_handleText.begin(), '1');
    return p;
}

namespace {

std::string_view trimmedLine(std::string_view line)
{
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
        line.remove_prefix(1);
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    return line;
}

} // namespace

bool DxfWriter::isCompletePrologue(std::string_view prologue)
{
    if (prologue.empty() || prologue.back() != '\n') {
        return false;
    }
    std::vector<std::string_view> lines;
    for (std::string_view rest = prologue.substr(0, prologue.size() - 1); !rest.empty() || lines.empty();) {
        const std::size_t end = rest.find('\n');
        lines.push_back(trimmedLine(rest.substr(0, end)));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    static constexpr std::array<std::string_view, 2> kOpening{"0", "SECTION"};
    static constexpr std::array<std::string_view, 5> kClosing{"0", "TABLE", "2", "LAYER", "70"};
    return lines.size() >= kOpening.size() + kClosing.size() &&
           std::equal(kOpening.begin(), kOpening.end(), lines.begin()) &&
           std::equal(kClosing.begin(), kClosing.end(), lines.end() - kClosing.size());
}

bool DxfWriter::beginDrawing(const std::filesystem::path& destination)
{
    if (!m_file.open(destination, OutputFile::Placement::Beside)) {
        return false;
    }
    if (m_holdForTables) {
        m_file.holdUntilClose();
    }
    m_file.append(m_prologue);
    m_layerCountAt = m_file.buffered();
    writeLayerTable();
    m_layersEndAt = m_file.buffered();
    appendLine("  0");
    appendLine("ENDTAB");
    appendLine("  0");
    appendLine("ENDSEC");
    m_tablesEndAt = m_file.buffered();
    appendLine("  0");
    appendLine("SECTION");
    appendLine("  2");
    appendLine("ENTITIES");
    m_handleCounter = kFirstEntityHandle;
    m_handleText = "009A";
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
    m_layerCountText = std::to_string(count);
    appendLine(m_layerCountText);
    for (const LayerEntry& entry : entries) {
        if (!isCreateFlagSet(entry.create)) {
            continue;
        }
        appendLine("  0");
        appendLine("LAYER");
        appendLine("  2");
        appendLine(valueText(*entry.layer));
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
    const std::string_view shownZ = m_configuration.point2D != 0 ? std::string_view("0.0") : z;
    char* p = m_file.reserve(kEntityRoom + m_pointLayerBlock.size() + x.size() + y.size() + shownZ.size());
    p = put(p, "  0\r\nPOINT\r\n  5\r\n");
    p = putHandle(p);
    p = put(p, m_pointLayerBlock);
    p = put(p, x);
    p = put(p, "\r\n 20\r\n");
    p = put(p, y);
    p = put(p, "\r\n 30\r\n");
    p = put(p, shownZ);
    p = put(p, "\r\n");
    m_file.commit(p);
    ++m_counts.points;
    m_file.flushIfFull();
}

void DxfWriter::writePolyline(const std::vector<Vertex>& vertices)
{
    const bool flat = m_configuration.polyline2D != 0;
    char* p = m_file.reserve(kEntityRoom + m_polylineLayerBlock.size());
    p = put(p, "  0\r\nPOLYLINE\r\n  5\r\n");
    p = putHandle(p);
    p = put(p, m_polylineLayerBlock);
    p = put(p, " 66\r\n1\r\n 10\r\n0.0\r\n 20\r\n0.0\r\n 30\r\n0.0\r\n 70\r\n8\r\n");
    m_file.commit(p);
    for (const Vertex& vertex : vertices) {
        const std::string_view z = flat ? std::string_view("0.0") : std::string_view(vertex.z);
        p = m_file.reserve(kEntityRoom + m_polylineLayerBlock.size() + vertex.x.size() + vertex.y.size() + z.size());
        p = put(p, "  0\r\nVERTEX\r\n  5\r\n");
        p = putHandle(p);
        p = put(p, m_polylineLayerBlock);
        p = put(p, " 10\r\n");
        p = put(p, vertex.x);
        p = put(p, "\r\n 20\r\n");
        p = put(p, vertex.y);
        p = put(p, "\r\n 30\r\n");
        p = put(p, z);
        p = put(p, "\r\n 70\r\n32\r\n");
        m_file.commit(p);
        m_file.flushIfFull();
    }
    p = m_file.reserve(kEntityRoom + m_polylineLayerBlock.size());
    p = put(p, "  0\r\nSEQEND\r\n  5\r\n");
    p = putHandle(p);
    p = put(p, m_polylineLayerBlock);
    m_file.commit(p);
    ++m_counts.polylines;
    m_file.flushIfFull();
}

void DxfWriter::beginPointTexts(double x)
{
    m_textOffset = 0;
    m_textZValid = false;
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
    // Every conversion is done before the first line is written, so that a failure leaves
    // no partial entity behind and does not move the texts that follow.
    const std::optional<double> yValue = readDecimal(y);
    const bool is2D = m_textKinds[static_cast<std::size_t>(index)].is2D;
    const std::optional<double> zValue = is2D ? std::optional<double>(0.0) : readDecimal(z);
    if (!yValue || !zValue) {
        return false;
    }
    return writeText(kind, content, *yValue, *zValue);
}

bool DxfWriter::writeText(EntityContent kind, std::string_view content, double y, double z)
{
    const std::string_view shown = valueText(content, m_cleanedText);
    return writeTextWith(kind, y, z, shown.size(), [shown](char* p) { return put(p, shown); });
}

bool DxfWriter::writeFixedText(EntityContent kind, std::string_view prefix, double value, int decimals, double y,
                               double z)
{
    // The prefix comes from the format; the number's notation has no control character.
    const std::string_view shownPrefix = valueText(prefix, m_cleanedText);
    return writeTextWith(kind, y, z, shownPrefix.size() + fixedMaxLength(decimals), [&](char* p) {
        return writeFixed(put(p, shownPrefix), value, decimals);
    });
}

// The text entity around its content, which `writeContent` writes into the room it is given
// (at most `contentRoom` characters) and returns the end of.
template <typename WriteContent>
bool DxfWriter::writeTextWith(EntityContent kind, double y, double z, std::size_t contentRoom, WriteContent writeContent)
{
    const auto index = static_cast<std::int32_t>(kind);
    if (index < 0 || index >= static_cast<std::int32_t>(m_textKinds.size())) {
        return false;
    }
    const TextKind& text = m_textKinds[static_cast<std::size_t>(index)];
    const double textY = y - m_textOffset;
    if (!text.heightIsNumber || !m_distanceIsNumber || !m_textXIsNumber || !std::isfinite(textY) ||
        (!text.is2D && !std::isfinite(z))) {
        return false;
    }
    if (!text.is2D && (!m_textZValid || z != m_textZFor)) {
        m_textZValid = true;
        m_textZFor = z;
        m_textZ.clear();
        appendFixed(m_textZ, z, elevationDecimals());
    }
    const std::string_view shownZ = text.is2D ? std::string_view("0.0") : std::string_view(m_textZ);
    char* p = m_file.reserve(kEntityRoom + kSci23Length + text.layerBlock.size() + m_textX.size() + shownZ.size() +
                             text.heightBlock.size() + contentRoom + text.styleBlock.size());
    p = put(p, "  0\r\nTEXT\r\n  5\r\n");
    p = putHandle(p);
    p = put(p, text.layerBlock);
    p = put(p, m_textX);
    p = put(p, "\r\n 20\r\n");
    p = writeSci23(p, textY);
    p = put(p, "\r\n 30\r\n");
    p = put(p, shownZ);
    p = put(p, "\r\n");
    p = put(p, text.heightBlock);
    p = writeContent(p);
    p = put(p, "\r\n");
    p = put(p, text.styleBlock);
    m_file.commit(p);
    m_textOffset += 1.2 * text.heightValue;
    ++m_counts.texts;
    m_file.flushIfFull();
    return true;
}

// The parts are put in from the back, so that the places noted before stay where they were.
void DxfWriter::addToTables(std::size_t layerCount, std::string_view layers, std::string_view blocksSection)
{
    if (!m_holdForTables) {
        return;
    }
    m_file.replaceHeld(m_tablesEndAt, 0, blocksSection);
    m_file.replaceHeld(m_layersEndAt, 0, layers);
    const auto configured = std::stoull(m_layerCountText);
    m_file.replaceHeld(m_layerCountAt, m_layerCountText.size() + kEol.size(),
                       std::to_string(configured + layerCount) + std::string(kEol));
}

void DxfWriter::writeEntity(std::string_view type, std::string_view groups)
{
    char* p = m_file.reserve(kEntityRoom + type.size() + groups.size());
    p = put(p, "  0\r\n");
    p = put(p, type);
    p = put(p, "\r\n  5\r\n");
    p = putHandle(p);
    p = put(p, groups);
    m_file.commit(p);
    if (type == "POINT" || type == "INSERT") {
        ++m_counts.points;
    } else if (type == "POLYLINE") {
        ++m_counts.polylines;
    }
    m_file.flushIfFull();
}

bool DxfWriter::finishDrawing()
{
    appendLine("  0");
    appendLine("ENDSEC");
    appendLine("  0");
    appendLine("EOF");
    return m_file.close();
}

void DxfWriter::abandonDrawing() { m_file.discard(); }

} // namespace mervalon::engine
