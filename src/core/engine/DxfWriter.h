#pragma once
// Writes one DXF drawing: the prologue, the layer table built from the configuration, the
// POINT, TEXT and POLYLINE entities of the points, and the closing lines. Two writers given
// the same prologue, configuration and points produce byte-identical files. The drawing's
// extents and the view it opens on are filled into the prologue at the end (DrawingView.h).

#include "core/config/Configuration.h"
#include "core/engine/DrawingView.h"
#include "core/engine/OutputFile.h"
#include "core/formats/FormatDefinition.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mervalon::engine {

/// One vertex of a polyline: coordinate texts as the conversion produced them, and their values
/// (read from the texts when not given).
struct Vertex {
    std::string x;
    std::string y;
    std::string z;
    std::optional<double> xValue = std::nullopt;
    std::optional<double> yValue = std::nullopt;
    std::optional<double> zValue = std::nullopt;
};

/// A place in entities formatted ahead (DxfWriter::formatAhead) where the writer of the drawing
/// has something to add: an entity's handle, or what its conversion noted there.
struct FormatMark {
    enum class Kind : std::uint8_t {
        PointHandle,  ///< the handle of an entity counted as a point
        TextHandle,   ///< the handle of a TEXT
        OtherHandle,  ///< the handle of an entity not counted
        LineEnd,      ///< the end of a line's entities (index: the end of its report lines)
        PolylineStep, ///< the line's step along the polylines (index: which step)
    };
    Kind kind;
    std::size_t offset;    ///< in the bytes formatted ahead
    std::size_t index = 0; ///< a handle's: where its entity begins; LineEnd, PolylineStep: see above
};

class DxfWriter {
  public:
    static constexpr std::int32_t kFirstEntityHandle = 154; // 9A hex: the prologue uses handles below it

    /// `prologue` is the content of dxf.dat; it must end with the opening of the LAYER table.
    /// With `escapeNonAscii`, every character of a text beyond ASCII is written as its escape
    /// "\U+XXXX" instead of its Windows-1252 byte, for readers that take those bytes for another
    /// code page whatever the drawing declares (LibreOffice Draw reads them as code page 437).
    DxfWriter(const config::Configuration& configuration, std::string_view prologue, bool escapeNonAscii = false);

    /// True when `prologue` can begin a drawing: it opens a section and ends, with its line
    /// break, at the opening of the LAYER table (group 70, whose value the writer adds). An
    /// empty prologue, or one cut short, would make a drawing no CAD program reads.
    static bool isCompletePrologue(std::string_view prologue);

    /// Starts the drawing beside `destination` and writes everything up to the start of the
    /// ENTITIES section. False, with nothing written, when the file cannot be created. An older
    /// drawing of that name stays until finishDrawing succeeds.
    bool beginDrawing(const std::filesystem::path& destination);

    /// Writes a POINT. The texts are written as they are; z is replaced by 0.0 for 2D points.
    /// The values (the texts read as numbers) count for the drawing's extents.
    void writePoint(std::string_view x, std::string_view y, std::string_view z, double xValue, double yValue,
                    double zValue);

    /// The same with the values read from the texts.
    void writePoint(std::string_view x, std::string_view y, std::string_view z);

    /// Writes a 3D POLYLINE with its vertices and SEQEND.
    void writePolyline(const std::vector<Vertex>& vertices);

    /// Starts the column of texts beside a point whose X is `x`.
    void beginPointTexts(double x);

    /// Writes one text of the current point below the texts written before it. Returns false,
    /// writing nothing, when y, z (for a 3D text) or the kind's height is not a number.
    bool writeText(config::EntityContent kind, std::string_view content, std::string_view y, std::string_view z);

    /// The same with y and z already read as numbers (z is ignored for a 2D text); the
    /// conversion has them at hand, so the texts of a point need not read them again.
    bool writeText(config::EntityContent kind, std::string_view content, double y, double z);

    /// The same with the content `prefix` followed by fixed(value, decimals), written straight
    /// into the drawing: the coordinate texts of every point need no text of their own.
    bool writeFixedText(config::EntityContent kind, std::string_view prefix, double value, int decimals, double y,
                        double z);

    /// For a drawing by code library, whose layers and blocks are known only once its entities
    /// are: the drawing is held in memory until finishDrawing, so that addToTables can complete
    /// its beginning. Called before beginDrawing; a drawing without it is written as before.
    void holdForTableAdditions() { m_holdForTables = true; }

    /// Adds `layerCount` LAYER entries (`layers`, CR LF lines from "  0" on) after the
    /// configuration's, and a BLOCKS section (`blocksSection`, whole, or empty for none) before
    /// the entities. Only for a drawing begun after holdForTableAdditions; before finishDrawing.
    void addToTables(std::size_t layerCount, std::string_view layers, std::string_view blocksSection);

    /// Writes an entity of `type` with the next handle, followed by `groups` (CR LF lines, from
    /// the layer group on). POINT and INSERT count as points, POLYLINE as polylines.
    void writeEntity(std::string_view type, std::string_view groups);

    /// Widens the drawing's extents by a place drawn through writeEntity (a coded point, a symbol's
    /// insertion point, a line's vertex); places that are not numbers are left out.
    void addToExtents(double x, double y, double z);

    /// Writes the closing lines, fills in the extents and the view, and puts the drawing in place
    /// under its name. False when any write failed; nothing then replaces the older drawing.
    bool finishDrawing();

    /// Drops the drawing begun: nothing is left of it and the older drawing stays.
    void abandonDrawing();

    /// A text value as the TEXT entities get it: control characters as blanks and, with
    /// escapeNonAscii, every character beyond ASCII as its escape. For values of other entities
    /// (a symbol's attributes); the view lasts until the next call or text written.
    std::string_view drawingText(std::string_view text);

    /// Formatting ahead, on a thread of its own, for a writer that writes the drawing: the
    /// entities written from now on go into `memory` (see OutputFile::holdInMemory) without
    /// their handles, which are only known once the entities before them are; the place of each
    /// handle is added to `marks` instead. The drawing's writer takes them in their order with
    /// appendFormatted and widenExtents.
    void formatAhead(OutputFile& memory, std::vector<FormatMark>& marks)
    {
        m_out = &memory;
        m_marks = &marks;
    }

    /// Appends the bytes formatted ahead from `from` to `to`, with the handles of `marks` (those
    /// of the entities begun there, in their order), and counts the entities. The buffer is
    /// offered for writing out where each entity ends, as when they are written as formatted.
    void appendFormatted(std::string_view formatted, std::size_t from, std::size_t to,
                         std::span<const FormatMark> marks);

    /// Widens the extents by those of entities formatted ahead; the extents of the writer that
    /// formatted them are emptied by takeExtents.
    void widenExtents(const Extents& extents) { m_extents.widen(extents); }
    Extents takeExtents() { return std::exchange(m_extents, Extents()); }

    /// Writes out the buffer when it is large enough: after each line appended.
    void flushIfFull() { m_out->flushIfFull(); }

    /// Entities written so far: points, texts and polylines.
    struct EntityCounts {
        std::size_t points = 0;
        std::size_t texts = 0;
        std::size_t polylines = 0;
    };
    [[nodiscard]] const EntityCounts& counts() const { return m_counts; }

    /// The box around what was written so far: points, vertices, and the texts' estimated boxes.
    [[nodiscard]] const Extents& extents() const { return m_extents; }

    /// True once a write to the file has failed (disk full, device gone).
    [[nodiscard]] bool failed() const { return m_file.failed(); }
    [[nodiscard]] int errorNumber() const { return m_file.errorNumber(); }

  private:
    struct TextKind {
        bool is2D = false;
        double heightValue = 0;
        bool heightIsNumber = false;
        // Constant parts of the entity, built once per file: the layer up to the " 10" code,
        // the height up to the "  1" code, and the style to the end.
        std::string layerBlock;
        std::string heightBlock;
        std::string styleBlock;
    };

    void appendLine(std::string_view text);
    std::string_view escapedText(std::string_view text, std::string& out) const;
    void fillInView();
    char* putHandle(char* p, FormatMark::Kind kind = FormatMark::Kind::PointHandle);
    template <typename WriteContent>
    bool writeTextWith(config::EntityContent kind, double y, double z, std::size_t contentRoom,
                       std::size_t escapedBytes, WriteContent writeContent);
    void writeLayerTable();
    int elevationDecimals() const;

    const config::Configuration& m_configuration;
    PrologueLayout m_layout;
    std::vector<std::uint64_t> m_valueOffsets; // where each piece's value was written
    bool m_escapeNonAscii = false;
    Extents m_extents;
    OutputFile m_file;
    OutputFile* m_out = &m_file;                // where entities go: the file, or memory (formatAhead)
    std::vector<FormatMark>* m_marks = nullptr; // formatting ahead: where the handles go
    EntityCounts m_counts;
    std::int32_t m_handleCounter = kFirstEntityHandle;
    std::array<char, 16> m_handleDigits{}; // the next handle in hexadecimal, counted up in place
    std::size_t m_handleLength = 0;        // of which digits are the handle's
    std::string m_pointLayerBlock;
    std::string m_polylineLayerBlock;
    std::string m_textZ; // the text elevation of the current point, formatted once
    std::array<TextKind, 5> m_textKinds;
    double m_distance = 0;
    bool m_distanceIsNumber = false;
    std::string m_textX;
    double m_textXValue = 0;
    std::string m_cleanedText; // a text's content with its control characters blanked
    std::string m_escapedText; // the same with its non-ASCII characters escaped
    bool m_textZValid = false;
    double m_textZFor = 0;     // the z that m_textZ was formatted from
    double m_textZWritten = 0; // the value of m_textZ
    bool m_textXIsNumber = false;
    double m_textOffset = 0;
    bool m_holdForTables = false;
    std::string m_layerCountText;   // the count of the configuration's layers, as written
    std::size_t m_layerCountAt = 0; // where the layer count, the end of the layers and the
    std::size_t m_layersEndAt = 0;  // end of the TABLES section stand in a held drawing
    std::size_t m_tablesEndAt = 0;
};

/// True when a create flag counts as set: the stored byte is exactly 1.
inline bool isCreateFlagSet(std::uint8_t flag)
{
    return flag == 1;
}

} // namespace mervalon::engine
