#include "core/engine/TextEncoding.h"

#include "core/io/FileIo.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

namespace mervalon::engine {
namespace {

// Decodes UTF-8 one byte at a time, so that a sequence may span two blocks of a file.
class Utf8Decoder {
  public:
    enum class Step { Ascii, Pending, Character, Invalid };

    Step feed(unsigned char byte)
    {
        if (m_pending == 0) {
            if (byte < 0x80) {
                m_character = byte;
                return Step::Ascii;
            }
            if (byte >= 0xC2 && byte <= 0xDF) {
                start(1, byte & 0x1Fu, 0x80);
            } else if (byte >= 0xE0 && byte <= 0xEF) {
                start(2, byte & 0x0Fu, 0x800);
            } else if (byte >= 0xF0 && byte <= 0xF4) {
                start(3, byte & 0x07u, 0x10000);
            } else {
                return Step::Invalid;
            }
            return Step::Pending;
        }
        if ((byte & 0xC0u) != 0x80) {
            m_pending = 0;
            return Step::Invalid;
        }
        m_character = (m_character << 6) | (byte & 0x3Fu);
        if (--m_pending > 0) {
            return Step::Pending;
        }
        // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
        if (m_character < m_minimum || m_character > 0x10FFFF || (m_character >= 0xD800 && m_character <= 0xDFFF)) {
            return Step::Invalid;
        }
        return Step::Character;
    }

    [[nodiscard]] bool midSequence() const { return m_pending != 0; }
    [[nodiscard]] char32_t character() const { return m_character; }

  private:
    void start(int pending, char32_t bits, char32_t minimum)
    {
        m_pending = pending;
        m_character = bits;
        m_minimum = minimum;
    }

    int m_pending = 0;
    char32_t m_character = 0;
    char32_t m_minimum = 0;
};

// The characters of Windows-1252's bytes 80..9F; all others from A0 up are Latin-1.
constexpr std::array<std::pair<char32_t, unsigned char>, 27> kWindows1252High = {{
    {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85}, {0x2020, 0x86}, {0x2021, 0x87},
    {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A}, {0x2039, 0x8B}, {0x0152, 0x8C}, {0x017D, 0x8E}, {0x2018, 0x91},
    {0x2019, 0x92}, {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97}, {0x02DC, 0x98},
    {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B}, {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F},
}};

std::optional<unsigned char> windows1252Of(char32_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
        return static_cast<unsigned char>(character);
    }
    for (const auto& [unicode, byte] : kWindows1252High) {
        if (unicode == character) {
            return byte;
        }
    }
    return std::nullopt;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The first position from `i` on that holds a byte of 0x80 or more, or `end`: point files are
// nearly all ASCII, and eight bytes tested at once make this pass cost little beside reading.
std::size_t skipAscii(const unsigned char* data, std::size_t i, std::size_t end)
{
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    for (; i + sizeof(std::uint64_t) <= end; i += sizeof(std::uint64_t)) {
        std::uint64_t word = 0;
        std::memcpy(&word, data + i, sizeof word);
        if ((word & kHighBits) != 0) {
            break;
        }
    }
    while (i < end && data[i] < 0x80) {
        ++i;
    }
    return i;
}

} // namespace

TextEncoding detectTextEncoding(const std::filesystem::path& path, const std::function<bool()>& stopRequested,
                                bool* stopped)
{
    constexpr std::size_t kBlocksPerStopCheck = 16; // a megabyte
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        throw io::FileError("Cannot open file", path, errno != 0 ? errno : EIO);
    }
    std::array<unsigned char, 1 << 16> block{};
    Utf8Decoder decoder;
    bool multiByte = false;
    bool first = true;
    for (std::size_t blocks = 1;; ++blocks) {
        if (stopRequested && blocks % kBlocksPerStopCheck == 0 && stopRequested()) {
            if (stopped != nullptr) {
                *stopped = true;
            }
            break;
        }
        const std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
        if (got == 0) {
            if (std::ferror(file.get())) {
                throw io::FileError("Cannot read file", path, errno != 0 ? errno : EIO);
            }
            break;
        }
        if (first) {
            first = false;
            if (got >= 2 && ((block[0] == 0xFF && block[1] == 0xFE) || (block[0] == 0xFE && block[1] == 0xFF))) {
                return TextEncoding::Utf16;
            }
            if (got >= 3 && block[0] == 0xEF && block[1] == 0xBB && block[2] == 0xBF) {
                return TextEncoding::Utf8WithMark;
            }
        }
        for (std::size_t i = 0; i < got; ++i) {
            if (!decoder.midSequence()) {
                i = skipAscii(block.data(), i, got);
                if (i == got) {
                    break;
                }
            }
            if (block[i] < 0x80 && !decoder.midSequence()) {
                continue;
            }
            switch (decoder.feed(block[i])) {
            case Utf8Decoder::Step::Invalid:
                return TextEncoding::Windows1252;
            case Utf8Decoder::Step::Character:
                multiByte = true;
                break;
            default:
                break;
            }
        }
    }
    return multiByte && !decoder.midSequence() ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

void appendUnicodeEscape(std::string& out, char16_t unit)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const char escape[] = {'\\',
                           'U',
                           '+',
                           kDigits[(unit >> 12) & 0xF],
                           kDigits[(unit >> 8) & 0xF],
                           kDigits[(unit >> 4) & 0xF],
                           kDigits[unit & 0xF]};
    out.append(escape, sizeof escape);
}

char32_t windows1252Character(unsigned char byte)
{
    if (byte < 0x80 || byte >= 0xA0) {
        return byte;
    }
    for (const auto& [unicode, code] : kWindows1252High) {
        if (code == byte) {
            return unicode;
        }
    }
    return 0xFFFD;
}

std::size_t utf8ToDrawingText(std::span<char>& text, std::string& room)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t firstHigh = skipAscii(bytes, 0, text.size());
    if (firstHigh == text.size()) {
        return 0; // nearly every line of a point file
    }
    room.assign(text.data(), firstHigh);
    Utf8Decoder decoder;
    std::size_t replaced = 0;
    for (std::size_t i = firstHigh; i < text.size(); ++i) {
        const char c = text[i];
        switch (decoder.feed(static_cast<unsigned char>(c))) {
        case Utf8Decoder::Step::Ascii:
            room.push_back(c);
            break;
        case Utf8Decoder::Step::Character: {
            const char32_t character = decoder.character();
            if (const auto byte = windows1252Of(character)) {
                room.push_back(static_cast<char>(*byte));
            } else if (character >= 0x80 && character <= 0x9F) {
                room.push_back('?');
                ++replaced;
            } else if (character > 0xFFFF) {
                const char32_t above = character - 0x10000;
                appendUnicodeEscape(room, static_cast<char16_t>(0xD800 + (above >> 10)));
                appendUnicodeEscape(room, static_cast<char16_t>(0xDC00 + (above & 0x3FF)));
            } else {
                appendUnicodeEscape(room, static_cast<char16_t>(character));
            }
            break;
        }
        case Utf8Decoder::Step::Invalid:
            room.push_back('?');
            ++replaced;
            // A plain character that cut a sequence short is kept.
            if (static_cast<unsigned char>(c) < 0x80) {
                room.push_back(c);
            }
            break;
        case Utf8Decoder::Step::Pending:
            break;
        }
    }
    if (decoder.midSequence()) {
        room.push_back('?');
        ++replaced;
    }
    if (room.size() <= text.size()) {
        std::memcpy(text.data(), room.data(), room.size());
        text = text.first(room.size());
    } else {
        text = std::span<char>(room.data(), room.size());
    }
    return replaced;
}

} // namespace mervalon::engine
