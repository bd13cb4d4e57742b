#include "core/spreadsheet/CompoundFile.h"

#include "core/spreadsheet/WorkbookError.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace mervalon::spreadsheet {
namespace {

constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::size_t kHeaderDifatEntries = 109;
constexpr std::size_t kEntrySize = 128;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::array<std::uint8_t, 8> kSignature{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

constexpr std::uint8_t kTypeStorage = 1;
constexpr std::uint8_t kTypeStream = 2;
constexpr std::uint8_t kTypeRoot = 5;

[[noreturn]] void damaged(const std::string& detail)
{
    throw WorkbookError("The workbook file is damaged: " + detail + ".");
}

// Written so that sizes near 2^64 (a lying version 4 entry) cannot wrap round to small counts.
std::size_t ceilDiv(std::uint64_t value, std::uint64_t divisor)
{
    return static_cast<std::size_t>(value / divisor + (value % divisor != 0 ? 1 : 0));
}

std::uint16_t foldAscii(std::uint16_t unit)
{
    return (unit >= 'a' && unit <= 'z') ? static_cast<std::uint16_t>(unit - 'a' + 'A') : unit;
}

} // namespace

CompoundFile::CompoundFile(Bytes bytes) : m_bytes(std::move(bytes))
{
    parseHeader();
    loadFat();
    loadDirectory();
    markReachable();
}

void CompoundFile::parseHeader()
{
    if (m_bytes.size() < 512 || !std::equal(kSignature.begin(), kSignature.end(), m_bytes.begin())) {
        throw WorkbookError("The file is not an Excel workbook (it is not a compound document).");
    }
    const std::uint8_t* h = m_bytes.data();
    m_major = loadU16(h + 0x1A);
    m_sectorShift = loadU16(h + 0x1E);
    if (!((m_major == 3 && m_sectorShift == 9) || (m_major == 4 && m_sectorShift == 12))) {
        damaged("unsupported compound document version or sector size");
    }
    if (loadU16(h + 0x20) != 6 || loadU32(h + 0x38) != 4096) {
        damaged("unsupported mini sector size or mini stream cutoff");
    }
    m_sectorSize = 1u << m_sectorShift;
    if (m_bytes.size() <= m_sectorSize) {
        damaged("the file holds no sectors");
    }
    // A short last sector is read as if padded with zeros; the padding is at most one sector.
    const std::size_t sectors = ceilDiv(m_bytes.size() - m_sectorSize, m_sectorSize);
    if (sectors >= kMaxRegularSector) {
        damaged("the file is too large");
    }
    m_sectorCount = static_cast<std::uint32_t>(sectors);
    m_bytes.resize((sectors + 1) * m_sectorSize, 0);
}

const std::uint8_t* CompoundFile::sector(std::uint32_t index) const
{
    return m_bytes.data() + (static_cast<std::size_t>(index) + 1) * m_sectorSize;
}

void CompoundFile::loadFat()
{
    const std::uint8_t* h = m_bytes.data();
    const std::uint32_t fatCount = loadU32(h + 0x2C);
    if (fatCount == 0 || fatCount > m_sectorCount) {
        damaged("the sector allocation table size is impossible");
    }
    std::vector<std::uint32_t> fatSectors;
    for (std::size_t i = 0; i < kHeaderDifatEntries && fatSectors.size() < fatCount; ++i) {
        fatSectors.push_back(loadU32(h + 0x4C + 4 * i));
    }
    const std::size_t perSector = m_sectorSize / 4;
    std::vector<bool> seen(m_sectorCount, false);
    std::uint32_t next = loadU32(h + 0x44);
    while (fatSectors.size() < fatCount && next != kEndOfChain && next != kFreeSector) {
        if (next >= m_sectorCount || seen[next]) {
            damaged("the allocation table index is looped or out of range");
        }
        seen[next] = true;
        const std::uint8_t* s = sector(next);
        for (std::size_t i = 0; i + 1 < perSector && fatSectors.size() < fatCount; ++i) {
            fatSectors.push_back(loadU32(s + 4 * i));
        }
        next = loadU32(s + 4 * (perSector - 1));
    }
    if (fatSectors.size() < fatCount) {
        damaged("the allocation table is incomplete");
    }
    m_fat.reserve(fatSectors.size() * perSector);
    for (const std::uint32_t fatSector : fatSectors) {
        if (fatSector >= m_sectorCount) {
            damaged("an allocation table sector lies outside the file");
        }
        const std::uint8_t* s = sector(fatSector);
        for (std::size_t i = 0; i < perSector; ++i) {
            m_fat.push_back(loadU32(s + 4 * i));
        }
    }
}

std::vector<std::uint32_t> CompoundFile::chain(std::uint32_t start, std::size_t maxLength, const char* what) const
{
    std::vector<std::uint32_t> result;
    std::vector<bool> seen(m_sectorCount, false);
    std::uint32_t current = start;
    while (current != kEndOfChain && result.size() < maxLength) {
        if (current >= m_sectorCount || current >= m_fat.size()) {
            damaged(std::string("the sectors of the ") + what + " lie outside the file");
        }
        if (seen[current]) {
            damaged(std::string("the sectors of the ") + what + " form a loop");
        }
        seen[current] = true;
        result.push_back(current);
        current = m_fat[current];
    }
    return result;
}

std::vector<std::uint32_t> CompoundFile::miniChain(std::uint32_t start, std::size_t maxLength) const
{
    std::vector<std::uint32_t> result;
    std::vector<bool> seen(m_miniFat.size(), false);
    std::uint32_t current = start;
    while (current != kEndOfChain && result.size() < maxLength) {
        if (current >= m_miniFat.size() ||
            (static_cast<std::size_t>(current) + 1) * kMiniSectorSize > m_miniStream.size()) {
            damaged("the mini sectors of a stream lie outside the mini stream");
        }
        if (seen[current]) {
            damaged("the mini sectors of a stream form a loop");
        }
        seen[current] = true;
        result.push_back(current);
        current = m_miniFat[current];
    }
    return result;
}

void CompoundFile::loadDirectory()
{
    const std::uint8_t* h = m_bytes.data();
    const auto dirSectors = chain(loadU32(h + 0x30), m_sectorCount, "directory");
    const std::size_t perSector = m_sectorSize / kEntrySize;
    m_entries.resize(dirSectors.size() * perSector);
    for (std::size_t s = 0; s < dirSectors.size(); ++s) {
        for (std::size_t i = 0; i < perSector; ++i) {
            Entry& e = m_entries[s * perSector + i];
            const std::uint8_t* p = sector(dirSectors[s]) + i * kEntrySize;
            std::copy(p, p + kEntrySize, e.raw);
            e.type = p[0x42];
            e.left = loadU32(p + 0x44);
            e.right = loadU32(p + 0x48);
            e.child = loadU32(p + 0x4C);
            e.start = loadU32(p + 0x74);
            e.size = m_major == 3 ? loadU32(p + 0x78) : loadU64(p + 0x78);
        }
    }
    if (m_entries.empty() || m_entries[0].type != kTypeRoot) {
        damaged("the directory has no root entry");
    }
    const Entry& root = m_entries[0];
    if (root.size > 0) {
        const std::size_t needed = ceilDiv(root.size, m_sectorSize);
        const auto sectors = chain(root.start, needed, "mini stream");
        if (sectors.size() < needed) {
            damaged("the mini stream is shorter than its declared size");
        }
        m_miniStream.reserve(sectors.size() * m_sectorSize);
        for (const std::uint32_t s : sectors) {
            m_miniStream.insert(m_miniStream.end(), sector(s), sector(s) + m_sectorSize);
        }
        m_miniStream.resize(static_cast<std::size_t>(root.size));
    }
    const std::uint32_t miniFatStart = loadU32(h + 0x3C);
    if (miniFatStart != kEndOfChain && miniFatStart != kFreeSector) {
        const auto sectors = chain(miniFatStart, m_sectorCount, "mini allocation table");
        m_miniFat.reserve(sectors.size() * (m_sectorSize / 4));
        for (const std::uint32_t s : sectors) {
            for (std::size_t i = 0; i < m_sectorSize / 4; ++i) {
                m_miniFat.push_back(loadU32(sector(s) + 4 * i));
            }
        }
    }
}

void CompoundFile::markReachable()
{
    // Depth-first over the red-black trees with an explicit stack; an entry met twice means a loop.
    std::vector<std::uint32_t> pending{m_entries[0].child};
    m_entries[0].reachable = true;
    while (!pending.empty()) {
        const std::uint32_t index = pending.back();
        pending.pop_back();
        if (index == kNoStream) {
            continue;
        }
        if (index >= m_entries.size()) {
            damaged("a directory entry points outside the directory");
        }
        Entry& e = m_entries[index];
        if (e.reachable) {
            damaged("the directory entries form a loop");
        }
        if (e.type != kTypeStream && e.type != kTypeStorage) {
            damaged("the directory tree holds an entry of unknown kind");
        }
        e.reachable = true;
        pending.push_back(e.left);
        pending.push_back(e.right);
        if (e.type == kTypeStorage) {
            pending.push_back(e.child);
        }
    }
}

std::uint16_t CompoundFile::nameUnit(const Entry& entry, std::size_t i) const
{
    return loadU16(entry.raw + 2 * i);
}

std::string CompoundFile::entryName(std::uint32_t entry) const
{
    const Entry& e = m_entries.at(entry);
    const std::size_t units = std::min<std::size_t>(loadU16(e.raw + 0x40) / 2, 32);
    std::string name;
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint16_t u = nameUnit(e, i);
        if (u == 0) {
            break;
        }
        name.push_back(u < 0x80 ? static_cast<char>(u) : '?');
    }
    return name;
}

std::optional<std::uint32_t> CompoundFile::findRootStream(const std::vector<std::string>& names) const
{
    std::vector<std::uint32_t> siblings;
    std::vector<std::uint32_t> pending{m_entries[0].child};
    while (!pending.empty()) {
        const std::uint32_t index = pending.back();
        pending.pop_back();
        if (index == kNoStream) {
            continue;
        }
        siblings.push_back(index);
        pending.push_back(m_entries[index].left);
        pending.push_back(m_entries[index].right);
    }
    for (const std::string& wanted : names) {
        for (const std::uint32_t index : siblings) {
            if (m_entries[index].type != kTypeStream) {
                continue;
            }
            const std::string name = entryName(index);
            const bool same =
                name.size() == wanted.size() &&
                std::equal(name.begin(), name.end(), wanted.begin(), [](char a, char b) {
                    return foldAscii(static_cast<std::uint8_t>(a)) == foldAscii(static_cast<std::uint8_t>(b));
                });
            if (same) {
                return index;
            }
        }
    }
    return std::nullopt;
}

Bytes CompoundFile::readStream(std::uint32_t entry) const
{
    const Entry& e = m_entries.at(entry);
    if (e.type != kTypeStream) {
        damaged("a stream entry is not a stream");
    }
    Bytes out;
    if (e.size == 0) {
        return out;
    }
    if (e.size < m_miniCutoff) {
        const std::size_t needed = ceilDiv(e.size, kMiniSectorSize);
        const auto sectors = miniChain(e.start, needed);
        if (sectors.size() < needed) {
            damaged("a stream is shorter than its declared size");
        }
        out.reserve(needed * kMiniSectorSize);
        for (const std::uint32_t s : sectors) {
            const auto* p = m_miniStream.data() + static_cast<std::size_t>(s) * kMiniSectorSize;
            out.insert(out.end(), p, p + kMiniSectorSize);
        }
    } else {
        const std::size_t needed = ceilDiv(e.size, m_sectorSize);
        if (needed > m_sectorCount) {
            damaged("a stream is larger than the file");
        }
        const auto sectors = chain(e.start, needed, "workbook stream");
        if (sectors.size() < needed) {
            damaged("a stream is shorter than its declared size");
        }
        out.reserve(needed * m_sectorSize);
        for (const std::uint32_t s : sectors) {
            out.insert(out.end(), sector(s), sector(s) + m_sectorSize);
        }
    }
    out.resize(static_cast<std::size_t>(e.size));
    return out;
}

void CompoundFile::unlinkSibling(std::vector<Entry>& entries, std::uint32_t dropped)
{
    // Find the link that points at the dropped node among the root's children (the tree has been
    // checked for loops when it was read).
    std::uint32_t* link = &entries[0].child;
    std::vector<std::uint32_t> pending{entries[0].child};
    while (*link != dropped && !pending.empty()) {
        const std::uint32_t node = pending.back();
        pending.pop_back();
        if (node == kNoStream) {
            continue;
        }
        Entry& e = entries[node];
        if (e.left == dropped) {
            link = &e.left;
        } else if (e.right == dropped) {
            link = &e.right;
        }
        pending.push_back(e.left);
        pending.push_back(e.right);
    }
    if (*link != dropped) {
        return; // not a child of the root: leave the directory as it is
    }
    Entry& gone = entries[dropped];
    if (gone.left == kNoStream || gone.right == kNoStream) {
        *link = gone.left != kNoStream ? gone.left : gone.right;
    } else {
        // Two children: the smallest node of the right subtree takes the dropped node's place.
        std::uint32_t* successorLink = &gone.right;
        while (entries[*successorLink].left != kNoStream) {
            successorLink = &entries[*successorLink].left;
        }
        const std::uint32_t successor = *successorLink;
        *successorLink = entries[successor].right;
        entries[successor].left = gone.left;
        entries[successor].right = gone.right;
        *link = successor;
    }
    gone.reachable = false;
    // Removing a node can upset red-black balance; an all-black tree is always acceptable.
    std::vector<std::uint32_t> blacken{entries[0].child};
    while (!blacken.empty()) {
        const std::uint32_t node = blacken.back();
        blacken.pop_back();
        if (node == kNoStream) {
            continue;
        }
        entries[node].raw[0x43] = 1;
        blacken.push_back(entries[node].left);
        blacken.push_back(entries[node].right);
    }
}

// Writing a compound file: every stream's data is known first; then the sectors are counted
// (the allocation table describes itself, so its size is a fixed point), chains are allocated
// in file order (table, index, directory, mini table, mini container, big streams), and each
// structure is written where its chain lies.
class CompoundFile::Writer {
  public:
    Writer(const CompoundFile& file, std::vector<Entry> entries, std::vector<Bytes> data)
        : m_file(file), m_entries(std::move(entries)), m_data(std::move(data)), m_sectorSize(file.m_sectorSize),
          m_perFat(m_sectorSize / 4)
    {
    }

    Bytes write()
    {
        countSectors();
        allocateChains();
        m_out.assign((m_totalSectors + 1) * m_sectorSize, 0);
        writeStreams();
        writeDirectory();
        writeAllocationTable();
        writeHeader();
        return std::move(m_out);
    }

  private:
    [[nodiscard]] bool isMini(std::size_t i) const { return m_data[i].size() < m_file.m_miniCutoff; }
    std::uint8_t* sectorAt(std::size_t index)
    {
        assert(index < m_totalSectors);
        return m_out.data() + (index + 1) * m_sectorSize;
    }

    /// Small streams go to the mini stream, the rest to regular sectors: readers choose by size alone.
    void countSectors()
    {
        for (std::size_t i = 1; i < m_entries.size(); ++i) {
            if (m_data[i].empty()) {
                continue;
            }
            if (isMini(i)) {
                m_miniSectors += ceilDiv(m_data[i].size(), kMiniSectorSize);
            } else {
                m_bigSectors += ceilDiv(m_data[i].size(), m_sectorSize);
            }
        }
        m_miniContainer = ceilDiv(m_miniSectors * kMiniSectorSize, m_sectorSize);
        m_miniFatSectors = ceilDiv(m_miniSectors * 4, m_sectorSize);
        m_dirSectors = ceilDiv(m_entries.size() * kEntrySize, m_sectorSize);
        const std::size_t dataSectors = m_dirSectors + m_miniFatSectors + m_miniContainer + m_bigSectors;
        // The allocation table describes itself and its index sectors: find the fixed point.
        for (;;) {
            m_difatCount =
                m_fatCount > kHeaderDifatEntries ? ceilDiv(m_fatCount - kHeaderDifatEntries, m_perFat - 1) : 0;
            const std::size_t needed = ceilDiv(dataSectors + m_fatCount + m_difatCount, m_perFat);
            if (needed <= m_fatCount) {
                break;
            }
            m_fatCount = needed;
        }
        m_totalSectors = m_fatCount + m_difatCount + dataSectors;
        if (m_totalSectors >= kMaxRegularSector) {
            throw WorkbookError("The workbook is too large to be saved.");
        }
    }

    std::uint32_t allocate(std::size_t count)
    {
        if (count == 0) {
            return kEndOfChain;
        }
        const auto first = static_cast<std::uint32_t>(m_next);
        for (std::size_t i = 0; i < count; ++i, ++m_next) {
            m_fat[m_next] = i + 1 < count ? static_cast<std::uint32_t>(m_next + 1) : kEndOfChain;
        }
        return first;
    }

    void allocateChains()
    {
        m_fat.assign(m_fatCount * m_perFat, kFreeSector);
        for (std::size_t i = 0; i < m_fatCount; ++i) {
            m_fat[m_next++] = kFatSector;
        }
        for (std::size_t i = 0; i < m_difatCount; ++i) {
            m_fat[m_next++] = kDifatSector;
        }
        m_dirStart = allocate(m_dirSectors);
        m_miniFatStart = allocate(m_miniFatSectors);
        m_miniContainerStart = allocate(m_miniContainer);
        m_bigStart.assign(m_entries.size(), kEndOfChain);
        for (std::size_t i = 1; i < m_entries.size(); ++i) {
            if (!isMini(i)) {
                m_bigStart[i] = allocate(ceilDiv(m_data[i].size(), m_sectorSize));
            }
        }
    }

    /// The mini stream with its table, then the big streams in their sectors.
    void writeStreams()
    {
        m_miniStart.assign(m_entries.size(), kEndOfChain);
        std::vector<std::uint32_t> miniFat(m_miniFatSectors * m_perFat, kFreeSector);
        std::size_t miniNext = 0;
        Bytes mini(m_miniContainer * m_sectorSize, 0);
        for (std::size_t i = 1; i < m_entries.size(); ++i) {
            if (m_data[i].empty() || !isMini(i)) {
                continue;
            }
            const std::size_t count = ceilDiv(m_data[i].size(), kMiniSectorSize);
            m_miniStart[i] = static_cast<std::uint32_t>(miniNext);
            std::copy(m_data[i].begin(), m_data[i].end(),
                      mini.begin() + static_cast<std::ptrdiff_t>(miniNext * kMiniSectorSize));
            for (std::size_t k = 0; k < count; ++k, ++miniNext) {
                miniFat[miniNext] = k + 1 < count ? static_cast<std::uint32_t>(miniNext + 1) : kEndOfChain;
            }
        }
        for (std::size_t i = 0; i < miniFat.size(); ++i) {
            storeU32(sectorAt(m_miniFatStart) + 4 * i, miniFat[i]);
        }
        std::copy(mini.begin(), mini.end(), m_miniContainer > 0 ? sectorAt(m_miniContainerStart) : m_out.data());
        for (std::size_t i = 1; i < m_entries.size(); ++i) {
            if (!isMini(i)) {
                std::copy(m_data[i].begin(), m_data[i].end(), sectorAt(m_bigStart[i]));
            }
        }
    }

    /// Every entry keeps its bytes; only the location and size of its data change.
    void writeDirectory()
    {
        const auto unlinked = [](std::uint8_t* p) {
            storeU32(p + 0x44, kNoStream);
            storeU32(p + 0x48, kNoStream);
            storeU32(p + 0x4C, kNoStream);
        };
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            std::uint8_t* p = sectorAt(m_dirStart) + i * kEntrySize;
            const Entry& e = m_entries[i];
            const bool kept = i == 0 || (e.reachable && (e.type == kTypeStream || e.type == kTypeStorage));
            if (!kept) {
                unlinked(p);
                continue;
            }
            std::copy(e.raw, e.raw + kEntrySize, p);
            storeU32(p + 0x44, e.left);
            storeU32(p + 0x48, e.right);
            storeU32(p + 0x4C, e.child);
            std::uint32_t start = 0;
            std::uint64_t size = 0;
            if (i == 0) {
                start = m_miniContainer > 0 ? m_miniContainerStart : kEndOfChain;
                size = m_miniSectors * kMiniSectorSize;
            } else if (e.type == kTypeStream) {
                size = m_data[i].size();
                start = size == 0 ? kEndOfChain : (isMini(i) ? m_miniStart[i] : m_bigStart[i]);
            }
            storeU32(p + 0x74, start);
            storeU32(p + 0x78, static_cast<std::uint32_t>(size));
            storeU32(p + 0x7C, static_cast<std::uint32_t>(size >> 32));
        }
        for (std::size_t i = m_entries.size(); i < m_dirSectors * (m_sectorSize / kEntrySize); ++i) {
            unlinked(sectorAt(m_dirStart) + i * kEntrySize);
        }
    }

    void writeAllocationTable()
    {
        for (std::size_t i = 0; i < m_fat.size(); ++i) {
            storeU32(sectorAt(i / m_perFat) + 4 * (i % m_perFat), m_fat[i]);
        }
    }

    /// The header, with the first 109 table sectors; the index sectors list the rest.
    void writeHeader()
    {
        std::uint8_t* h = m_out.data();
        const Bytes& original = m_file.m_bytes;
        std::copy(original.begin(), original.begin() + 0x1C, h); // signature, CLSID, minor and major version
        storeU16(h + 0x1C, 0xFFFE);
        storeU16(h + 0x1E, static_cast<std::uint16_t>(m_file.m_sectorShift));
        storeU16(h + 0x20, 6);
        storeU32(h + 0x28, m_file.m_major == 4 ? static_cast<std::uint32_t>(m_dirSectors) : 0);
        storeU32(h + 0x2C, static_cast<std::uint32_t>(m_fatCount));
        storeU32(h + 0x30, m_dirStart);
        storeU32(h + 0x38, m_file.m_miniCutoff);
        storeU32(h + 0x3C, m_miniFatSectors > 0 ? m_miniFatStart : kEndOfChain);
        storeU32(h + 0x40, static_cast<std::uint32_t>(m_miniFatSectors));
        storeU32(h + 0x44, m_difatCount > 0 ? static_cast<std::uint32_t>(m_fatCount) : kEndOfChain);
        storeU32(h + 0x48, static_cast<std::uint32_t>(m_difatCount));
        for (std::size_t i = 0; i < kHeaderDifatEntries; ++i) {
            storeU32(h + 0x4C + 4 * i, i < m_fatCount ? static_cast<std::uint32_t>(i) : kFreeSector);
        }
        std::size_t fatIndex = kHeaderDifatEntries;
        for (std::size_t d = 0; d < m_difatCount; ++d) {
            std::uint8_t* s = sectorAt(m_fatCount + d);
            for (std::size_t i = 0; i + 1 < m_perFat; ++i, ++fatIndex) {
                storeU32(s + 4 * i, fatIndex < m_fatCount ? static_cast<std::uint32_t>(fatIndex) : kFreeSector);
            }
            storeU32(s + 4 * (m_perFat - 1),
                     d + 1 < m_difatCount ? static_cast<std::uint32_t>(m_fatCount + d + 1) : kEndOfChain);
        }
    }

    const CompoundFile& m_file;
    std::vector<Entry> m_entries;
    std::vector<Bytes> m_data;
    const std::uint32_t m_sectorSize;
    const std::size_t m_perFat;
    std::size_t m_miniSectors = 0;
    std::size_t m_bigSectors = 0;
    std::size_t m_miniContainer = 0;
    std::size_t m_miniFatSectors = 0;
    std::size_t m_dirSectors = 0;
    std::size_t m_fatCount = 1;
    std::size_t m_difatCount = 0;
    std::size_t m_totalSectors = 0;
    std::vector<std::uint32_t> m_fat;
    std::size_t m_next = 0;
    std::uint32_t m_dirStart = kEndOfChain;
    std::uint32_t m_miniFatStart = kEndOfChain;
    std::uint32_t m_miniContainerStart = kEndOfChain;
    std::vector<std::uint32_t> m_bigStart;
    std::vector<std::uint32_t> m_miniStart;
    Bytes m_out;
};

Bytes CompoundFile::withStreamReplaced(std::uint32_t entry, ByteView content,
                                       std::optional<std::uint32_t> dropped) const
{
    if (entry >= m_entries.size() || m_entries[entry].type != kTypeStream) {
        throw WorkbookError("The workbook stream to replace does not exist.");
    }
    std::vector<Entry> entries = m_entries;
    if (dropped && *dropped != entry && *dropped < entries.size() && entries[*dropped].type == kTypeStream) {
        unlinkSibling(entries, *dropped);
    }
    std::vector<Bytes> data(entries.size());
    for (std::uint32_t i = 0; i < entries.size(); ++i) {
        if (i == entry) {
            data[i].assign(content.begin(), content.end());
        } else if (entries[i].type == kTypeStream && entries[i].reachable) {
            data[i] = readStream(i);
        }
    }
    return Writer(*this, std::move(entries), std::move(data)).write();
}

} // namespace mervalon::spreadsheet
