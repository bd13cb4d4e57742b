#include "core/engine/DxfWriter.h"

#include "core/engine/FieldAccess.h"
#include "core/engine/NumberFormat.h"
#include "core/engine/TextEncoding.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace mervalon::engine {
namespace {

using config::Configuration;
using config::EntityContent;
using config::EntityKind;

constexpr std::string_view kEol = "\r\n";

// The elevation precision serves the insertion point of every text kind; a stored value
// outside the offered 0..5 (none chosen, or a damaged record) is kept within what fixed
// notation can show rather than refused.
int clampDecimals(std::int32_t decimals)
{
    return std::clamp(decimals, 0, 15);
}

bool isControl(char c)
{
    return static_cast<unsigned char>(c) < 32;
}

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
template <std::size_t N> char* put(char* p, const char (&text)[N])
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

// The value of a number written with `decimals` decimals (0 to 15), as a reader gets it: the
// quotient of two exact numbers is the double nearest the decimal text. Cheaper than reading the
// text again for every point; a value too large for its decimals to matter is kept.
double roundedTo(double value, int decimals)
{
    static constexpr std::array<double, 16> kScale = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const double scale = kScale[static_cast<std::size_t>(std::clamp(decimals, 0, 15))];
    const double scaled = value * scale;
    return std::abs(scaled) < 4e15 ? std::round(scaled) / scale : value;
}

// Room for a handle and its line end: putHandle copies all the digits' room.
constexpr std::size_t kHandleRoom = 16 + 2;

// Room for an entity's constant lines and its handle; the caller adds its values' lengths.
constexpr std::size_t kEntityRoom = 160;

} // namespace

DxfWriter::DxfWriter(const Configuration& configuration, std::string_view prologue, bool escapeNonAscii)
    : m_configuration(configuration), m_layout(layOutPrologue(prologue)), m_escapeNonAscii(escapeNonAscii)
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
    m_pointLayerBlock = "  8\r\n" + valueText(c.entity(EntityKind::Point).layer) + "\r\n 10\r\n";
    m_polylineLayerBlock = "  8\r\n" + valueText(c.entity(EntityKind::Polyline).layer) + "\r\n";
    m_textKinds[0] = kind(c.entity(EntityKind::Number).flat, c.entity(EntityKind::Number).layer,
                          c.entity(EntityKind::Number).height, "NUMBERS");
    m_textKinds[1] = kind(c.entity(EntityKind::X).flat, c.entity(EntityKind::X).layer, c.entity(EntityKind::X).height,
                          "COORDINATES");
    m_textKinds[2] = kind(c.entity(EntityKind::Y).flat, c.entity(EntityKind::Y).layer, c.entity(EntityKind::Y).height,
                          "COORDINATES");
    m_textKinds[3] = kind(c.entity(EntityKind::Elevation).flat, c.entity(EntityKind::Elevation).layer,
                          c.entity(EntityKind::Elevation).height, "ELEVATION");
    m_textKinds[4] = kind(c.entity(EntityKind::Description).flat, c.entity(EntityKind::Description).layer,
                          c.entity(EntityKind::Description).height, "DESCRIPTION");
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
// Formatting ahead, only its place is noted.
char* DxfWriter::putHandle(char* p, FormatMark::Kind kind)
{
    if (m_marks != nullptr) {
        m_marks->push_back(FormatMark{kind, m_out->offsetOf(p), m_out->buffered()});
        return p;
    }
    // All the room's digits are copied, a fixed size that costs one move; what lies beyond the
    // handle's own digits is written over by the lines that follow.
    std::memcpy(p, m_handleDigits.data(), m_handleDigits.size());
    p = put(p + m_handleLength, "\r\n");
    ++m_handleCounter;
    for (std::size_t i = m_handleLength; i-- > 0;) {
        char& digit = m_handleDigits[i];
        if (digit == '9') {
            digit = 'A';
            return p;
        }
        if (digit != 'F') {
            ++digit;
            return p;
        }
        digit = '0';
    }
    std::memmove(m_handleDigits.data() + 1, m_handleDigits.data(), m_handleLength);
    m_handleDigits[0] = '1';
    ++m_handleLength;
    return p;
}

void DxfWriter::appendFormatted(std::string_view formatted, std::size_t from, std::size_t to,
                                std::span<const FormatMark> marks)
{
    const auto count = [this](FormatMark::Kind kind) {
        if (kind == FormatMark::Kind::PointHandle) {
            ++m_counts.points;
        } else if (kind == FormatMark::Kind::TextHandle) {
            ++m_counts.texts;
        }
    };
    const std::size_t room = to - from + marks.size() * kHandleRoom;
    if (!m_out->mayFlushWithin(room)) {
        // Nothing is written out before the end: all of it in one piece of room.
        char* p = m_out->reserve(room);
        for (const FormatMark& mark : marks) {
            p = putHandle(put(p, formatted.substr(from, mark.offset - from)));
            count(mark.kind);
            from = mark.offset;
        }
        m_out->commit(put(p, formatted.substr(from, to - from)));
        return;
    }
    for (const FormatMark& mark : marks) {
        m_out->append(formatted.substr(from, mark.index - from)); // up to the entity's start
        m_out->flushIfFull();
        m_out->append(formatted.substr(mark.index, mark.offset - mark.index));
        m_out->commit(putHandle(m_out->reserve(kHandleRoom)));
        count(mark.kind);
        from = mark.offset;
    }
    m_out->append(formatted.substr(from, to - from));
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
    // The extents and the view get their room now, as wide as any value, and are written
    // over it once the drawing is complete; until then it holds what the prologue held.
    m_valueOffsets.clear();
    char room[kSci23Length];
    for (const PrologueLayout::Piece& piece : m_layout.pieces) {
        m_file.append(piece.text);
        if (piece.value) {
            m_valueOffsets.push_back(m_file.position());
            m_file.append(std::string_view(room, static_cast<std::size_t>(writeSci23(room, piece.original) - room)));
        }
    }
    m_extents = Extents();
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
    m_handleDigits.fill('0');
    std::memcpy(m_handleDigits.data(), "009A", 4);
    m_handleLength = 4;
    m_file.flushIfFull();
    return true;
}

void DxfWriter::writeLayerTable()
{
    const config::EntitySettingsList& entities = m_configuration.entities;
    const auto count = std::count_if(entities.begin(), entities.end(), [](const config::EntitySettings& entity) {
        return isCreateFlagSet(entity.create);
    });
    m_layerCountText = std::to_string(count);
    appendLine(m_layerCountText);
    for (const config::EntitySettings& entity : entities) { // in the order of the kinds
        if (!isCreateFlagSet(entity.create)) {
            continue;
        }
        appendLine("  0");
        appendLine("LAYER");
        appendLine("  2");
        appendLine(valueText(entity.layer));
        appendLine(" 70");
        appendLine("  0");
        appendLine(" 62");
        appendLine(std::to_string(entity.color));
        appendLine("  6");
        appendLine("CONTINUOUS");
    }
}

void DxfWriter::writePoint(std::string_view x, std::string_view y, std::string_view z)
{
    const auto xValue = readDecimal(x);
    const auto yValue = readDecimal(y);
    const auto zValue = readDecimal(z);
    writePoint(x, y, z, xValue.value_or(NAN), yValue.value_or(NAN), zValue.value_or(NAN));
}

void DxfWriter::writePoint(std::string_view x, std::string_view y, std::string_view z, double xValue, double yValue,
                           double zValue)
{
    const bool flat = m_configuration.entity(EntityKind::Point).flat != 0;
    if (std::isfinite(xValue) && std::isfinite(yValue) && (flat || std::isfinite(zValue))) {
        m_extents.add(xValue, yValue, flat ? 0.0 : zValue);
    }
    const std::string_view shownZ = flat ? std::string_view("0.0") : z;
    char* p = m_out->reserve(kEntityRoom + m_pointLayerBlock.size() + x.size() + y.size() + shownZ.size());
    p = put(p, "  0\r\nPOINT\r\n  5\r\n");
    p = putHandle(p);
    p = put(p, m_pointLayerBlock);
    p = put(p, x);
    p = put(p, "\r\n 20\r\n");
    p = put(p, y);
    p = put(p, "\r\n 30\r\n");
    p = put(p, shownZ);
    p = put(p, "\r\n");
    m_out->commit(p);
    ++m_counts.points;
    m_out->flushIfFull();
}

void DxfWriter::writePolyline(const std::vector<Vertex>& vertices)
{
    const bool flat = m_configuration.entity(EntityKind::Polyline).flat != 0;
    char* p = m_out->reserve(kEntityRoom + m_polylineLayerBlock.size());
    p = put(p, "  0\r\nPOLYLINE\r\n  5\r\n");
    p = putHandle(p, FormatMark::Kind::OtherHandle);
    p = put(p, m_polylineLayerBlock);
    p = put(p, " 66\r\n1\r\n 10\r\n0.0\r\n 20\r\n0.0\r\n 30\r\n0.0\r\n 70\r\n8\r\n");
    m_out->commit(p);
    for (const Vertex& vertex : vertices) {
        const std::string_view z = flat ? std::string_view("0.0") : std::string_view(vertex.z);
        const double xValue = vertex.xValue ? *vertex.xValue : readDecimal(vertex.x).value_or(NAN);
        const double yValue = vertex.yValue ? *vertex.yValue : readDecimal(vertex.y).value_or(NAN);
        const double zValue = flat ? 0.0 : (vertex.zValue ? *vertex.zValue : readDecimal(vertex.z).value_or(NAN));
        if (std::isfinite(xValue) && std::isfinite(yValue) && std::isfinite(zValue)) {
            m_extents.add(xValue, yValue, zValue);
        }
        p = m_out->reserve(kEntityRoom + m_polylineLayerBlock.size() + vertex.x.size() + vertex.y.size() + z.size());
        p = put(p, "  0\r\nVERTEX\r\n  5\r\n");
        p = putHandle(p, FormatMark::Kind::OtherHandle);
        p = put(p, m_polylineLayerBlock);
        p = put(p, " 10\r\n");
        p = put(p, vertex.x);
        p = put(p, "\r\n 20\r\n");
        p = put(p, vertex.y);
        p = put(p, "\r\n 30\r\n");
        p = put(p, z);
        p = put(p, "\r\n 70\r\n32\r\n");
        m_out->commit(p);
        m_out->flushIfFull();
    }
    p = m_out->reserve(kEntityRoom + m_polylineLayerBlock.size());
    p = put(p, "  0\r\nSEQEND\r\n  5\r\n");
    p = putHandle(p, FormatMark::Kind::OtherHandle);
    p = put(p, m_polylineLayerBlock);
    m_out->commit(p);
    ++m_counts.polylines;
    m_out->flushIfFull();
}

void DxfWriter::beginPointTexts(double x)
{
    m_textOffset = 0;
    m_textZValid = false;
    m_textX.clear();
    const double textX = x + m_distance;
    // A position beyond the range of a number has no notation; its texts are not written.
    m_textXIsNumber = std::isfinite(textX);
    m_textXValue = textX;
    if (m_textXIsNumber) {
        appendFixed(m_textX, textX, 14);
    }
}

int DxfWriter::elevationDecimals() const
{
    return clampDecimals(m_configuration.entity(EntityKind::Elevation).decimals);
}

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
    const std::string_view shown = escapedText(valueText(content, m_cleanedText), m_escapedText);
    return writeTextWith(kind, y, z, shown.size(), shown.size() - textCharacters(shown),
                         [shown](char* p) { return put(p, shown); });
}

bool DxfWriter::writeFixedText(EntityContent kind, std::string_view prefix, double value, int decimals, double y,
                               double z)
{
    // The prefix comes from the format; the number's notation has no control character.
    const std::string_view shownPrefix = escapedText(valueText(prefix, m_cleanedText), m_escapedText);
    return writeTextWith(kind, y, z, shownPrefix.size() + fixedMaxLength(decimals),
                         shownPrefix.size() - textCharacters(shownPrefix),
                         [&](char* p) { return writeFixed(put(p, shownPrefix), value, decimals); });
}

// The text entity around its content, which `writeContent` writes into the room it is given
// (at most `contentRoom` characters, of which `escapedBytes` are the surplus of escapes over the
// characters they stand for) and returns the end of.
template <typename WriteContent>
bool DxfWriter::writeTextWith(EntityContent kind, double y, double z, std::size_t contentRoom, std::size_t escapedBytes,
                              WriteContent writeContent)
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
        // The extents hold the elevation as written, rounded to the elevation's decimals.
        m_textZWritten = roundedTo(z, elevationDecimals());
    }
    const std::string_view shownZ = text.is2D ? std::string_view("0.0") : std::string_view(m_textZ);
    char* p = m_out->reserve(kEntityRoom + kSci23Length + text.layerBlock.size() + m_textX.size() + shownZ.size() +
                             text.heightBlock.size() + contentRoom + text.styleBlock.size());
    p = put(p, "  0\r\nTEXT\r\n  5\r\n");
    p = putHandle(p, FormatMark::Kind::TextHandle);
    p = put(p, text.layerBlock);
    p = put(p, m_textX);
    p = put(p, "\r\n 20\r\n");
    p = writeSci23(p, textY);
    p = put(p, "\r\n 30\r\n");
    p = put(p, shownZ);
    p = put(p, "\r\n");
    p = put(p, text.heightBlock);
    char* const contentStart = p;
    p = writeContent(p);
    const auto characters = static_cast<double>(static_cast<std::size_t>(p - contentStart) - escapedBytes);
    p = put(p, "\r\n");
    p = put(p, text.styleBlock);
    m_out->commit(p);
    // The text's box: from its insertion point up by its height and right by its estimated width,
    // and down by the descenders (p, g, y reach about a third of the letters' height below the
    // baseline), which a reader that clips the drawing to its extents would otherwise cut off.
    const double textZ = text.is2D ? 0.0 : m_textZWritten;
    const double height = text.heightValue;
    const double farX = m_textXValue + characters * std::abs(height);
    const double farY = textY + height;
    const double lowY = std::min(textY - std::abs(height) / 3.0, farY);
    const double highY = std::max(textY, farY);
    if (std::isfinite(farX) && std::isfinite(lowY) && std::isfinite(highY)) {
        m_extents.addBox(m_textXValue, lowY, farX, highY, textZ);
    }
    m_textOffset += 1.2 * text.heightValue;
    ++m_counts.texts;
    m_out->flushIfFull();
    return true;
}

std::string_view DxfWriter::drawingText(std::string_view text)
{
    return escapedText(valueText(text, m_cleanedText), m_escapedText);
}

std::string_view DxfWriter::escapedText(std::string_view text, std::string& out) const
{
    if (!m_escapeNonAscii ||
        std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        return text;
    }
    out.clear();
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const char32_t character = windows1252Character(byte);
        // The five bytes the code page leaves unassigned stand for no character to escape.
        if (byte < 0x80 || character == 0xFFFD) {
            out.push_back(c);
        } else {
            appendUnicodeEscape(out, static_cast<char16_t>(character));
        }
    }
    return out;
}

// Each *ACTIVE view and the two extents variables in the prologue get their values, in the room
// beginDrawing kept for them.
void DxfWriter::fillInView()
{
    const auto values = viewValues(m_extents, m_layout);
    char text[kSci23Length];
    std::size_t next = 0;
    for (const PrologueLayout::Piece& piece : m_layout.pieces) {
        if (!piece.value) {
            continue;
        }
        const std::uint64_t offset = m_valueOffsets[next++];
        if (const auto& value = values[static_cast<std::size_t>(*piece.value)]) {
            // Always the full width: sci23 of a finite value fills the room exactly.
            const char* end = writeSci23(text, *value);
            m_file.overwrite(offset, std::string_view(text, static_cast<std::size_t>(end - text)));
        }
    }
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
    const std::string countLine = std::to_string(configured + layerCount) + std::string(kEol);
    const std::size_t countLength = m_layerCountText.size() + kEol.size();
    m_file.replaceHeld(m_layerCountAt, countLength, countLine);
    // The rooms kept for the extents and the view move with what was put in before them (a
    // prologue may hold its active view after the layer table).
    for (std::uint64_t& offset : m_valueOffsets) {
        const std::uint64_t original = offset;
        if (original >= m_tablesEndAt) {
            offset += blocksSection.size();
        }
        if (original >= m_layersEndAt) {
            offset += layers.size();
        }
        if (original > m_layerCountAt) {
            offset = offset + countLine.size() - countLength;
        }
    }
}

void DxfWriter::addToExtents(double x, double y, double z)
{
    if (std::isfinite(x) && std::isfinite(y) && std::isfinite(z)) {
        m_extents.add(x, y, z);
    }
}

void DxfWriter::writeEntity(std::string_view type, std::string_view groups)
{
    char* p = m_out->reserve(kEntityRoom + type.size() + groups.size());
    p = put(p, "  0\r\n");
    p = put(p, type);
    p = put(p, "\r\n  5\r\n");
    p = putHandle(p);
    p = put(p, groups);
    m_out->commit(p);
    if (type == "POINT" || type == "INSERT") {
        ++m_counts.points;
    } else if (type == "POLYLINE") {
        ++m_counts.polylines;
    }
    m_out->flushIfFull();
}

bool DxfWriter::finishDrawing()
{
    appendLine("  0");
    appendLine("ENDSEC");
    appendLine("  0");
    appendLine("EOF");
    fillInView();
    return m_file.close();
}

void DxfWriter::abandonDrawing()
{
    m_file.discard();
}

} // namespace mervalon::engine
