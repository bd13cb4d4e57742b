#include "core/engine/CodedDrawing.h"

#include "core/codes/PointCodes.h"
#include "core/codes/SymbolLibrary.h"
#include "core/engine/DxfWriter.h"
#include "core/engine/FieldAccess.h"
#include "core/engine/NumberFormat.h"
#include "core/engine/RunLog.h"

#include <algorithm>
#include <set>

namespace mervalon::engine {
namespace {

using codes::CodeRow;
using codes::LineKind;
using config::EntityKind;

bool isControl(char c)
{
    return static_cast<unsigned char>(c) < 32;
}

// A value is one line of the drawing; a control character would end it early.
void putGroup(std::string& out, std::string_view code, std::string_view value)
{
    out += code;
    out += "\r\n";
    const std::size_t start = out.size();
    out += value;
    std::replace_if(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), isControl, ' ');
    out += "\r\n";
}

std::string layerEntry(std::string_view name, int colour)
{
    std::string entry;
    putGroup(entry, "  0", "LAYER");
    putGroup(entry, "  2", name);
    putGroup(entry, " 70", "  0"); // as the configuration's layers are written
    putGroup(entry, " 62", std::to_string(colour));
    putGroup(entry, "  6", "CONTINUOUS");
    return entry;
}

std::string numberText(double value)
{
    std::string text;
    appendGeneral(text, value);
    return text;
}

} // namespace

CodedDrawing::CodedDrawing(const codes::CodeSet& codes, const config::Configuration& configuration, DxfWriter& writer)
    : m_codes(codes), m_configuration(configuration), m_writer(writer),
      m_linework([this](codes::Line&& line) { drawLine(std::move(line), *m_log); })
{
}

void CodedDrawing::prepare()
{
    m_writer.holdForTableAdditions();
}

// The layers in the library's order, each once; a layer named like one of the configuration's
// keeps the configuration's entry, since a table may name a layer once.
void CodedDrawing::completeTables()
{
    const config::Configuration& c = m_configuration;
    std::set<std::string> named;
    const std::pair<std::uint8_t, const std::string*> configured[] = {
        {c.entity(EntityKind::Point).create, &c.entity(EntityKind::Point).layer},
        {c.entity(EntityKind::Number).create, &c.entity(EntityKind::Number).layer},
        {c.entity(EntityKind::X).create, &c.entity(EntityKind::X).layer},
        {c.entity(EntityKind::Y).create, &c.entity(EntityKind::Y).layer},
        {c.entity(EntityKind::Elevation).create, &c.entity(EntityKind::Elevation).layer},
        {c.entity(EntityKind::Description).create, &c.entity(EntityKind::Description).layer},
        {c.entity(EntityKind::Polyline).create, &c.entity(EntityKind::Polyline).layer},
    };
    for (const auto& [create, layer] : configured) {
        if (isCreateFlagSet(create)) {
            named.insert(codes::upperCased(*layer));
        }
    }
    std::string layers;
    std::size_t count = 0;
    const std::vector<CodeRow>& rows = m_codes.library.rows();
    for (const CodeRow& row : rows) {
        const std::string name = codes::upperCased(row.layer);
        if (!m_usedLayers.contains(name) || !named.insert(name).second) {
            continue;
        }
        // The layer's colour is the one any of its rows gives (the library allows only one).
        int colour = c.entity(EntityKind::Point).color;
        for (const CodeRow& other : rows) {
            if (other.colour && codes::upperCased(other.layer) == name) {
                colour = *other.colour;
                break;
            }
        }
        layers += layerEntry(row.layer, colour);
        ++count;
    }
    std::string blocks;
    if (!m_usedSymbols.empty()) {
        putGroup(blocks, "  0", "SECTION");
        putGroup(blocks, "  2", "BLOCKS");
        for (const auto& [name, definition] : m_codes.blocks) {
            if (m_usedSymbols.contains(name)) {
                blocks += definition;
            }
        }
        putGroup(blocks, "  0", "ENDSEC");
    }
    m_writer.addToTables(count, layers, blocks);
}

std::uint8_t CodedDrawing::drawPoint(const CodedPoint& point, std::size_t lineNumber, RunLog& log)
{
    m_log = &log;
    const codes::PointCodes pointCodes = codes::readPointCodes(m_codes.library, point.codes);
    for (const std::string& stray : pointCodes.strayControls) {
        log.line("  ! Warning in line " + std::to_string(lineNumber) + ": \"" + stray +
                 "\" follows no code and is ignored !");
    }
    for (const codes::FeatureUse& use : pointCodes.features) {
        if (use.unknown) {
            ++m_unknown[codes::upperCased(use.token)];
        }
    }
    const CodeRow* row = pointCodes.features.empty() ? nullptr : pointCodes.features.front().row;
    const bool flat = m_configuration.entity(EntityKind::Point).flat != 0;
    if (row == nullptr) {
        // No code, or one the library does not know and no "*" row: drawn as without a library.
        if (isCreateFlagSet(m_configuration.entity(EntityKind::Point).create)) {
            m_writer.writePoint(point.x, point.y, point.z);
        }
    } else if (row->symbol.empty()) {
        if (isCreateFlagSet(m_configuration.entity(EntityKind::Point).create)) {
            m_groups.clear();
            putGroup(m_groups, "  8", row->layer);
            putGroup(m_groups, " 10", point.x);
            putGroup(m_groups, " 20", point.y);
            putGroup(m_groups, " 30", flat ? std::string_view("0.0") : point.z);
            m_writer.writeEntity("POINT", m_groups);
            m_writer.addToExtents(point.xValue, point.yValue, flat ? 0.0 : point.zValue);
            m_usedLayers.insert(codes::upperCased(row->layer));
        }
    } else if (row->symbol != codes::kNoSymbol) {
        writeInsert(row->layer, row->symbol, point);
    }
    codes::LinePoint linePoint;
    linePoint.x = point.xValue;
    linePoint.y = point.yValue;
    linePoint.z = point.zValue;
    linePoint.xText = std::string(point.x);
    linePoint.yText = std::string(point.y);
    linePoint.zText = std::string(point.z);
    m_linework.add(pointCodes, linePoint, lineNumber);
    return row != nullptr ? row->labels : std::uint8_t{0};
}

void CodedDrawing::writeInsert(const std::string& layer, const std::string& block, const CodedPoint& point)
{
    m_usedLayers.insert(codes::upperCased(layer));
    m_usedSymbols.insert(block);
    m_groups.clear();
    putGroup(m_groups, "  8", layer);
    putGroup(m_groups, " 66", "1");
    putGroup(m_groups, "  2", block);
    putGroup(m_groups, " 10", point.x);
    putGroup(m_groups, " 20", point.y);
    putGroup(m_groups, " 30", point.z);
    m_writer.writeEntity("INSERT", m_groups);
    m_writer.addToExtents(point.xValue, point.yValue, point.zValue);
    // The attributes carry the point's values for a program that reads them; they are not
    // shown, since the labels are written as texts beside the point as without a library.
    const std::string_view values[] = {point.number, point.elevation, point.description};
    const std::string_view height = readDecimal(m_configuration.entity(EntityKind::Number).height)
                                        ? std::string_view(m_configuration.entity(EntityKind::Number).height)
                                        : std::string_view("0.25");
    for (std::size_t i = 0; i < std::size(codes::kAttributeTags); ++i) {
        m_groups.clear();
        putGroup(m_groups, "  8", layer);
        putGroup(m_groups, " 10", point.x);
        putGroup(m_groups, " 20", point.y);
        putGroup(m_groups, " 30", point.z);
        putGroup(m_groups, " 40", height);
        // The same bytes as the label of the value: its escapes, and no control character.
        putGroup(m_groups, "  1", m_writer.drawingText(values[i]));
        putGroup(m_groups, "  2", codes::kAttributeTags[i]);
        putGroup(m_groups, " 70", "1");
        m_writer.writeEntity("ATTRIB", m_groups);
    }
    m_groups.clear();
    putGroup(m_groups, "  8", layer);
    m_writer.writeEntity("SEQEND", m_groups);
}

void CodedDrawing::drawLine(codes::Line&& line, RunLog& log)
{
    const std::string name = line.feature + line.instance;
    if (line.points.size() < 2) {
        log.line("  ! Warning in line " + std::to_string(line.firstLine) + ": The line of " + name +
                 " has one point, it is not drawn !");
        return;
    }
    const bool flat = line.row->line == LineKind::TwoD;
    const std::string& layer = line.row->layer;
    m_usedLayers.insert(codes::upperCased(layer));
    m_groups.clear();
    putGroup(m_groups, "  8", layer);
    putGroup(m_groups, " 66", "1");
    putGroup(m_groups, " 10", "0.0");
    putGroup(m_groups, " 20", "0.0");
    putGroup(m_groups, " 30", "0.0");
    putGroup(m_groups, " 70", std::to_string((flat ? 0 : 8) | (line.closed ? 1 : 0)));
    m_writer.writeEntity("POLYLINE", m_groups);
    for (const codes::LinePoint& p : line.points) {
        m_groups.clear();
        putGroup(m_groups, "  8", layer);
        putGroup(m_groups, " 10", p.xText.empty() ? numberText(p.x) : p.xText);
        putGroup(m_groups, " 20", p.yText.empty() ? numberText(p.y) : p.yText);
        putGroup(m_groups, " 30", flat ? std::string("0.0") : p.zText.empty() ? numberText(p.z) : p.zText);
        putGroup(m_groups, " 70", flat ? "0" : "32");
        m_writer.writeEntity("VERTEX", m_groups);
        m_writer.addToExtents(p.x, p.y, flat ? 0.0 : p.z);
    }
    m_groups.clear();
    putGroup(m_groups, "  8", layer);
    m_writer.writeEntity("SEQEND", m_groups);
    FeatureLines& counts = m_features[line.feature];
    ++counts.lines;
    if (line.closed) {
        ++counts.closed;
    }
}

void CodedDrawing::finish(RunLog& log)
{
    m_log = &log;
    m_linework.finish();
    completeTables();
}

void CodedDrawing::report(RunLog& log) const
{
    const bool hasDefault = std::any_of(m_codes.library.rows().begin(), m_codes.library.rows().end(),
                                        [](const CodeRow& row) { return row.code == "*"; });
    for (const auto& [code, points] : m_unknown) {
        log.line("  ! Warning: Code \"" + code + "\" is not in the code library, " + std::to_string(points) +
                 (points == 1 ? " point" : " points") +
                 (hasDefault ? " drawn by its row \"*\" !" : " drawn on the configuration's layers !"));
    }
    if (m_features.empty()) {
        return;
    }
    log.line(">> Lines by code");
    std::size_t width = 0;
    for (const auto& [feature, counts] : m_features) {
        width = std::max(width, feature.size());
    }
    for (const auto& [feature, counts] : m_features) {
        log.line("    " + feature + std::string(width - feature.size(), ' ') + " : " + std::to_string(counts.lines) +
                 (counts.lines == 1 ? " line" : " lines") + ", " + std::to_string(counts.closed) + " closed");
    }
}

} // namespace mervalon::engine
