#pragma once
// The shared string table of a BIFF8 workbook (SST with its CONTINUE records, and EXTSST).

#include "core/spreadsheet/BiffRecords.h"
#include "core/spreadsheet/TextCodec.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace mervalon::spreadsheet {

class SharedStrings {
  public:
    SharedStrings() = default;

    /// Reads the table whose SST record is `records[sstIndex]`. Counts in the table are not
    /// trusted: reading ends at cstUnique strings or at the end of the data, whichever comes first;
    /// a string whose characters, runs or phonetic block run past the data throws WorkbookError.
    /// With `escapes`, see CharacterEscapes.
    static SharedStrings parse(ByteView stream, const std::vector<RecordRef>& records, std::size_t sstIndex,
                               CharacterEscapes* escapes = nullptr);

    std::size_t size() const { return m_strings.size(); }
    /// String `index` as program text (Windows-1252, '?' for what it lacks).
    const std::string& text(std::size_t index) const { return m_texts[index]; }

    /// Index of a plain string equal to `text`, appended when there is none yet.
    std::uint32_t add(const std::string& text);
    /// True when add() appended strings since parse().
    bool grown() const { return m_grown; }

    /// SST and CONTINUE records (with headers) for a table that starts at stream position
    /// `position`, followed by a fresh EXTSST record; `totalReferences` is the cstTotal field.
    Bytes serialize(std::uint32_t position, std::uint32_t totalReferences) const;

  private:
    struct Entry {
        std::u16string characters;
        Bytes runs;
        Bytes phonetic;
    };
    std::vector<Entry> m_strings;
    std::vector<std::string> m_texts;
    std::unordered_map<std::string, std::uint32_t> m_plainIndex;
    bool m_grown = false;
};

} // namespace mervalon::spreadsheet
