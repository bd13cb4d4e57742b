#include "core/spreadsheet/BiffRecords.h"

#include "core/spreadsheet/WorkbookError.h"

#include <algorithm>

namespace mervalon::spreadsheet {
namespace {

[[noreturn]] void truncatedRecord()
{
    throw WorkbookError("The workbook file is damaged: a record is shorter than its contents say.");
}

bool isBof(std::uint16_t id)
{
    return id == record::kBof || id == record::kOldBof2 || id == record::kOldBof3 || id == record::kOldBof4;
}

} // namespace

std::vector<RecordRef> scanSubstream(ByteView stream, std::uint32_t start)
{
    std::vector<RecordRef> records;
    std::size_t pos = start;
    int depth = 0;
    while (pos + 4 <= stream.size()) {
        RecordRef r;
        r.id = loadU16(stream.data() + pos);
        r.length = loadU16(stream.data() + pos + 2);
        r.offset = static_cast<std::uint32_t>(pos);
        if (pos + 4 + r.length > stream.size()) {
            throw WorkbookError("The workbook file is damaged: a record runs past the end of the workbook stream.");
        }
        if (isBof(r.id)) {
            ++depth;
        }
        r.depth = static_cast<std::uint16_t>(std::clamp(depth, 1, 0xFFFF));
        records.push_back(r);
        pos += 4 + r.length;
        if (r.id == record::kEof && --depth <= 0) {
            break;
        }
    }
    return records;
}

ContinuedReader::ContinuedReader(ByteView stream, const std::vector<RecordRef>& records, std::size_t first)
{
    for (std::size_t i = first; i < records.size(); ++i) {
        if (i != first && records[i].id != record::kContinue) {
            break;
        }
        m_pieces.push_back(stream.subspan(records[i].bodyOffset(), records[i].length));
        m_total += records[i].length;
    }
}

bool ContinuedReader::atEnd() const
{
    return m_consumed >= m_total;
}

std::size_t ContinuedReader::remaining() const
{
    return m_total - m_consumed;
}

void ContinuedReader::nextPiece()
{
    while (m_piece < m_pieces.size() && m_pos >= m_pieces[m_piece].size()) {
        ++m_piece;
        m_pos = 0;
    }
    if (m_piece >= m_pieces.size()) {
        truncatedRecord();
    }
}

std::uint8_t ContinuedReader::u8()
{
    nextPiece();
    ++m_consumed;
    return m_pieces[m_piece][m_pos++];
}

std::uint16_t ContinuedReader::u16()
{
    const std::uint8_t lo = u8();
    return static_cast<std::uint16_t>(lo | (u8() << 8));
}

std::uint32_t ContinuedReader::u32()
{
    const std::uint32_t lo = u16();
    return lo | (static_cast<std::uint32_t>(u16()) << 16);
}

void ContinuedReader::skip(std::size_t count)
{
    if (count > remaining()) {
        truncatedRecord();
    }
    while (count > 0) {
        nextPiece();
        const std::size_t take = std::min(count, m_pieces[m_piece].size() - m_pos);
        m_pos += take;
        m_consumed += take;
        count -= take;
    }
}

Bytes ContinuedReader::bytes(std::size_t count)
{
    if (count > remaining()) {
        truncatedRecord();
    }
    Bytes out;
    out.reserve(count);
    while (count > 0) {
        nextPiece();
        const std::size_t take = std::min(count, m_pieces[m_piece].size() - m_pos);
        const auto piece = m_pieces[m_piece].subspan(m_pos, take);
        out.insert(out.end(), piece.begin(), piece.end());
        m_pos += take;
        m_consumed += take;
        count -= take;
    }
    return out;
}

std::u16string ContinuedReader::characters(std::size_t count, bool wide)
{
    // Each character takes at least one byte, so a count beyond the data is a lie: refuse it
    // before allocating.
    if (count > remaining()) {
        truncatedRecord();
    }
    std::u16string out;
    out.reserve(count);
    while (out.size() < count) {
        if (m_piece < m_pieces.size() && m_pos >= m_pieces[m_piece].size()) {
            nextPiece();
            wide = (u8() & 0x01) != 0;
            continue;
        }
        nextPiece();
        const ByteView piece = m_pieces[m_piece];
        if (wide) {
            if (m_pos + 2 > piece.size()) {
                truncatedRecord();
            }
            out.push_back(static_cast<char16_t>(loadU16(piece.data() + m_pos)));
            m_pos += 2;
            m_consumed += 2;
        } else {
            out.push_back(static_cast<char16_t>(piece[m_pos]));
            ++m_pos;
            ++m_consumed;
        }
    }
    return out;
}

} // namespace mervalon::spreadsheet
