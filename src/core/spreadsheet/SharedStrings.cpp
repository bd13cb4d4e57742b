#include "core/spreadsheet/SharedStrings.h"

#include "core/spreadsheet/TextCodec.h"

#include <algorithm>

namespace mervalon::spreadsheet {
namespace {

constexpr std::size_t kMaxBody = 8224;

// Writes records of at most kMaxBody bytes, starting a CONTINUE when the current one is full.
class RecordSink {
  public:
    explicit RecordSink(Bytes& out) : m_out(out) {}
    void begin(std::uint16_t id)
    {
        m_start = m_out.size();
        appendU16(m_out, id);
        appendU16(m_out, 0);
    }
    void end() { storeU16(m_out.data() + m_start + 2, static_cast<std::uint16_t>(m_out.size() - m_start - 4)); }
    std::size_t room() const { return kMaxBody - (m_out.size() - m_start - 4); }
    void next()
    {
        end();
        begin(record::kContinue);
    }
    std::size_t offsetInRecord() const { return m_out.size() - m_start; }

  private:
    Bytes& m_out;
    std::size_t m_start = 0;
};

} // namespace

SharedStrings SharedStrings::parse(ByteView stream, const std::vector<RecordRef>& records, std::size_t sstIndex,
                                   CharacterEscapes* escapes)
{
    SharedStrings table;
    ContinuedReader reader(stream, records, sstIndex);
    if (reader.remaining() < 8) {
        return table;
    }
    reader.u32(); // cstTotal: not needed to read
    const std::uint32_t unique = reader.u32();
    // Every string takes at least 3 bytes, so the data bounds the reservation, not the count.
    const std::size_t bound = std::min<std::size_t>(unique, reader.remaining() / 3);
    table.m_strings.reserve(bound);
    table.m_texts.reserve(bound);
    for (std::uint32_t i = 0; i < unique && reader.remaining() >= 3; ++i) {
        Entry entry;
        const std::uint16_t count = reader.u16();
        const std::uint8_t flags = reader.u8();
        const std::uint16_t runs = (flags & 0x08) ? reader.u16() : 0;
        const std::uint32_t phonetic = (flags & 0x04) ? reader.u32() : 0;
        entry.characters = reader.characters(count, (flags & 0x01) != 0);
        entry.runs = reader.bytes(std::size_t{runs} * 4);
        entry.phonetic = reader.bytes(phonetic);
        std::string text;
        text.reserve(entry.characters.size());
        for (const char16_t unit : entry.characters) {
            appendUtf16Unit(text, static_cast<std::uint16_t>(unit), escapes);
        }
        table.m_strings.push_back(std::move(entry));
        table.m_texts.push_back(std::move(text));
    }
    return table;
}

std::uint32_t SharedStrings::add(const std::string& text)
{
    if (m_plainIndex.empty()) {
        for (std::size_t i = 0; i < m_strings.size(); ++i) {
            if (m_strings[i].runs.empty() && m_strings[i].phonetic.empty()) {
                m_plainIndex.emplace(m_texts[i], static_cast<std::uint32_t>(i));
            }
        }
    }
    if (const auto found = m_plainIndex.find(text); found != m_plainIndex.end()) {
        return found->second;
    }
    Entry entry;
    entry.characters.reserve(text.size());
    for (const char c : text) {
        entry.characters.push_back(static_cast<char16_t>(windows1252ToUtf16(static_cast<std::uint8_t>(c))));
    }
    const auto index = static_cast<std::uint32_t>(m_strings.size());
    m_strings.push_back(std::move(entry));
    m_texts.push_back(text);
    m_plainIndex.emplace(text, index);
    m_grown = true;
    return index;
}

Bytes SharedStrings::serialize(std::uint32_t position, std::uint32_t totalReferences) const
{
    Bytes out;
    RecordSink sink(out);
    const std::size_t perBucket = std::max<std::size_t>(8, (m_strings.size() + 127) / 128);
    std::vector<std::pair<std::uint32_t, std::uint16_t>> buckets;

    sink.begin(record::kSst);
    appendU32(out, totalReferences);
    appendU32(out, static_cast<std::uint32_t>(m_strings.size()));
    for (std::size_t i = 0; i < m_strings.size(); ++i) {
        const Entry& s = m_strings[i];
        const bool wide = std::any_of(s.characters.begin(), s.characters.end(), [](char16_t u) { return u > 0xFF; });
        const std::size_t width = wide ? 2 : 1;
        const std::size_t header = 3 + (s.runs.empty() ? 0 : 2) + (s.phonetic.empty() ? 0 : 4);
        // A string's header never splits, and is followed by at least its first character.
        if (sink.room() < header + (s.characters.empty() ? 0 : width)) {
            sink.next();
        }
        if (i % perBucket == 0) {
            buckets.emplace_back(position + static_cast<std::uint32_t>(out.size()),
                                 static_cast<std::uint16_t>(sink.offsetInRecord()));
        }
        appendU16(out, static_cast<std::uint16_t>(s.characters.size()));
        appendU8(out, static_cast<std::uint8_t>((wide ? 0x01 : 0) | (s.phonetic.empty() ? 0 : 0x04) |
                                                (s.runs.empty() ? 0 : 0x08)));
        if (!s.runs.empty()) {
            appendU16(out, static_cast<std::uint16_t>(s.runs.size() / 4));
        }
        if (!s.phonetic.empty()) {
            appendU32(out, static_cast<std::uint32_t>(s.phonetic.size()));
        }
        std::size_t done = 0;
        while (done < s.characters.size()) {
            if (sink.room() < width) {
                sink.next();
                appendU8(out, wide ? 0x01 : 0x00);
            }
            const std::size_t n = std::min(s.characters.size() - done, sink.room() / width);
            for (std::size_t k = 0; k < n; ++k) {
                const auto unit = static_cast<std::uint16_t>(s.characters[done + k]);
                if (wide) {
                    appendU16(out, unit);
                } else {
                    appendU8(out, static_cast<std::uint8_t>(unit));
                }
            }
            done += n;
        }
        for (std::size_t r = 0; r < s.runs.size(); r += 4) {
            if (sink.room() < 4) {
                sink.next();
            }
            out.insert(out.end(), s.runs.begin() + static_cast<std::ptrdiff_t>(r),
                       s.runs.begin() + static_cast<std::ptrdiff_t>(std::min(r + 4, s.runs.size())));
        }
        std::size_t written = 0;
        while (written < s.phonetic.size()) {
            if (sink.room() == 0) {
                sink.next();
            }
            const std::size_t n = std::min(s.phonetic.size() - written, sink.room());
            out.insert(out.end(), s.phonetic.begin() + static_cast<std::ptrdiff_t>(written),
                       s.phonetic.begin() + static_cast<std::ptrdiff_t>(written + n));
            written += n;
        }
    }
    sink.end();

    sink.begin(record::kExtSst);
    appendU16(out, static_cast<std::uint16_t>(perBucket));
    for (const auto& [streamPosition, offset] : buckets) {
        appendU32(out, streamPosition);
        appendU16(out, offset);
        appendU16(out, 0);
    }
    sink.end();
    return out;
}

} // namespace mervalon::spreadsheet
