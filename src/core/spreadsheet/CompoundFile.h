#pragma once
// An OLE2 compound file (versions 3 and 4) held in memory: its directory and the bytes of its
// streams, with the rewriting that replaces one stream and keeps everything else.

#include "core/spreadsheet/ByteOrder.h"
#include "core/spreadsheet/WorkbookError.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mervalon::spreadsheet {

class CompoundFile {
  public:
    /// Parses the container. Every sector chain, count and size is checked against the real size
    /// of `bytes`: cycles, shared or out-of-range sectors, lying sizes and directory loops throw
    /// WorkbookError; nothing is allocated beyond what the file itself can hold.
    explicit CompoundFile(Bytes bytes);

    /// Index of the stream directly under the root whose name equals one of `names`, compared
    /// without regard to ASCII case; the first name in `names` that is present wins.
    std::optional<std::uint32_t> findRootStream(const std::vector<std::string>& names) const;

    /// The bytes of the stream at directory index `entry` (exactly its declared size).
    Bytes readStream(std::uint32_t entry) const;

    /// The stream's name, UTF-16 units narrowed to ASCII ('?' otherwise); for messages and tests.
    std::string entryName(std::uint32_t entry) const;

    /// A complete compound file of the same version in which stream `entry` holds `content` and
    /// every other stream, storage and directory field (names, tree, CLSIDs, state bits, times)
    /// is as it was. Streams that cannot be reached from the root are written empty.
    /// When `dropped` names another stream directly under the root, that stream is removed from
    /// the directory (its siblings' tree is re-linked and coloured all black, which is valid).
    Bytes withStreamReplaced(std::uint32_t entry, ByteView content,
                             std::optional<std::uint32_t> dropped = std::nullopt) const;

    int majorVersion() const { return m_major; }

  private:
    struct Entry {
        std::uint8_t raw[128];
        std::uint8_t type = 0;
        std::uint32_t left = 0;
        std::uint32_t right = 0;
        std::uint32_t child = 0;
        std::uint32_t start = 0;
        std::uint64_t size = 0;
        bool reachable = false;
    };

    /// Lays out and writes a new compound file (withStreamReplaced), phase by phase.
    class Writer;

    void parseHeader();
    void loadFat();
    void loadDirectory();
    void markReachable();
    static void unlinkSibling(std::vector<Entry>& entries, std::uint32_t dropped);
    std::vector<std::uint32_t> chain(std::uint32_t start, std::size_t maxLength, const char* what) const;
    std::vector<std::uint32_t> miniChain(std::uint32_t start, std::size_t maxLength) const;
    const std::uint8_t* sector(std::uint32_t index) const;
    std::uint16_t nameUnit(const Entry& entry, std::size_t i) const;

    Bytes m_bytes;
    int m_major = 3;
    std::uint32_t m_sectorShift = 9;
    std::uint32_t m_sectorSize = 512;
    std::uint32_t m_sectorCount = 0;
    std::uint32_t m_miniCutoff = 4096;
    std::vector<std::uint32_t> m_fat;
    std::vector<std::uint32_t> m_miniFat;
    std::vector<Entry> m_entries;
    Bytes m_miniStream;
};

} // namespace mervalon::spreadsheet
