#pragma once
// The record layer of a workbook stream: record identifiers, the record list of one substream,
// and a reader that follows a record into its CONTINUE records.

#include "core/spreadsheet/ByteOrder.h"
#include "core/spreadsheet/WorkbookError.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mervalon::spreadsheet {

namespace record {
inline constexpr std::uint16_t kFormula = 0x0006;
/// The FORMULA id of BIFF4, which some producers write into BIFF5 and BIFF8 sheets too; its
/// first 14 bytes (cell, format and cached result) are laid out as in kFormula.
inline constexpr std::uint16_t kFormula4 = 0x0406;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kNote = 0x001C;
inline constexpr std::uint16_t kDateMode = 0x0022;
inline constexpr std::uint16_t kFilePass = 0x002F;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kCodePage = 0x0042;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kMulRk = 0x00BD;
inline constexpr std::uint16_t kMulBlank = 0x00BE;
inline constexpr std::uint16_t kRString = 0x00D6;
inline constexpr std::uint16_t kDbCell = 0x00D7;
inline constexpr std::uint16_t kXf = 0x00E0;
inline constexpr std::uint16_t kMergeCells = 0x00E5;
inline constexpr std::uint16_t kSst = 0x00FC;
inline constexpr std::uint16_t kLabelSst = 0x00FD;
inline constexpr std::uint16_t kExtSst = 0x00FF;
inline constexpr std::uint16_t kDsf = 0x0161;
inline constexpr std::uint16_t kHLink = 0x01B8;
inline constexpr std::uint16_t kDimensions = 0x0200;
inline constexpr std::uint16_t kBlank = 0x0201;
inline constexpr std::uint16_t kNumber = 0x0203;
inline constexpr std::uint16_t kLabel = 0x0204;
inline constexpr std::uint16_t kBoolErr = 0x0205;
inline constexpr std::uint16_t kString = 0x0207;
inline constexpr std::uint16_t kRow = 0x0208;
inline constexpr std::uint16_t kIndex = 0x020B;
inline constexpr std::uint16_t kArray = 0x0221;
inline constexpr std::uint16_t kWindow2 = 0x023E;
inline constexpr std::uint16_t kTable = 0x0236;
inline constexpr std::uint16_t kRk = 0x027E;
inline constexpr std::uint16_t kFormat = 0x041E;
inline constexpr std::uint16_t kShrFmla = 0x04BC;
inline constexpr std::uint16_t kHLinkToolTip = 0x0800;
inline constexpr std::uint16_t kBof = 0x0809;
inline constexpr std::uint16_t kOldBof2 = 0x0009;
inline constexpr std::uint16_t kOldBof3 = 0x0209;
inline constexpr std::uint16_t kOldBof4 = 0x0409;

inline constexpr bool isFormula(std::uint16_t id)
{
    return id == kFormula || id == kFormula4;
}
} // namespace record

/// One record of the stream: identifier, position of its 4-byte header, body length, and the
/// nesting depth inside its substream (1 for the substream's own records, 2 and more inside an
/// embedded chart's BOF..EOF).
struct RecordRef {
    std::uint16_t id = 0;
    std::uint32_t offset = 0;
    std::uint16_t length = 0;
    std::uint16_t depth = 1;

    std::uint32_t bodyOffset() const { return offset + 4; }
    std::uint32_t end() const { return offset + 4 + length; }
};

/// The records of the substream whose BOF is at `start`, through its matching EOF (included).
/// A substream cut short by the end of the stream ends there; a record whose body runs past the
/// stream throws WorkbookError. Trailing bytes after the EOF are not looked at.
std::vector<RecordRef> scanSubstream(ByteView stream, std::uint32_t start);

/// Reads a record's body and the bodies of the CONTINUE records that follow it as one sequence,
/// knowing where the pieces join (BIFF8 character runs re-state their width there).
class ContinuedReader {
  public:
    ContinuedReader(ByteView stream, const std::vector<RecordRef>& records, std::size_t first);

    bool atEnd() const;
    std::size_t remaining() const;
    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    /// Skips `count` bytes across pieces.
    void skip(std::size_t count);
    /// Copies `count` bytes across pieces.
    Bytes bytes(std::size_t count);
    /// `count` characters, 8-bit (Latin-1) or UTF-16 as `wide` says; at each join the next piece
    /// starts with a fresh option byte giving the width of the rest. Returned as UTF-16 units.
    std::u16string characters(std::size_t count, bool wide);

  private:
    void nextPiece();
    std::vector<ByteView> m_pieces;
    std::size_t m_piece = 0;
    std::size_t m_pos = 0;
    std::size_t m_total = 0;
    std::size_t m_consumed = 0;
};

} // namespace mervalon::spreadsheet
