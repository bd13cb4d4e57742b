#include "core/spreadsheet/TextCodec.h"

#include <array>
#include <cerrno>
#include <iconv.h>
#include <memory>

namespace mervalon::spreadsheet {
namespace {

// Windows-1252 bytes 0x80..0x9F; the unassigned ones keep their own value.
constexpr std::array<std::uint16_t, 32> kHighControls{0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct IconvCloser {
    void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle openIconv(const char* to, const char* from)
{
    iconv_t handle = iconv_open(to, from);
    if (handle == reinterpret_cast<iconv_t>(-1)) {
        return IconvHandle(nullptr);
    }
    return IconvHandle(handle);
}

std::string iconvNameFor(std::uint16_t id)
{
    switch (id) {
    case 10000:
    case 32768:
        return "MACINTOSH";
    case 437:
    case 720:
    case 737:
    case 775:
    case 850:
    case 852:
    case 855:
    case 857:
    case 858:
    case 860:
    case 861:
    case 862:
    case 863:
    case 864:
    case 865:
    case 866:
    case 869:
    case 874:
    case 932:
    case 936:
    case 949:
    case 950:
    case 1250:
    case 1251:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
        return "CP" + std::to_string(id);
    default:
        return {};
    }
}

} // namespace

void appendUtf16Unit(std::string& out, std::uint16_t unit, CharacterEscapes* escapes)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        out.push_back(static_cast<char>(unit));
        return;
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == unit) {
            out.push_back(static_cast<char>(0x80 + i));
            return;
        }
    }
    if (escapes != nullptr && unit > 0x9F) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        out += "\\U+";
        for (int shift = 12; shift >= 0; shift -= 4) {
            out.push_back(kDigits[(unit >> shift) & 0xF]);
        }
        return;
    }
    if (escapes != nullptr) {
        escapes->countReplaced();
    }
    out.push_back('?');
}

std::uint16_t windows1252ToUtf16(std::uint8_t byte)
{
    return (byte >= 0x80 && byte < 0xA0) ? kHighControls[byte - 0x80] : byte;
}

CodePage::CodePage(std::uint16_t id) : m_id(id), m_kind(Kind::Windows1252)
{
    if (id == 367 || id == 20127) {
        m_kind = Kind::Ascii;
        return;
    }
    m_iconvName = iconvNameFor(id);
    // An unknown or unavailable code page is read as Windows-1252, the most common one.
    if (!m_iconvName.empty() && openIconv("UTF-16LE", m_iconvName.c_str())) {
        m_kind = Kind::Iconv;
    }
}

std::string CodePage::decode(ByteView bytes, CharacterEscapes* escapes) const
{
    std::string out;
    out.reserve(bytes.size());
    if (m_kind == Kind::Windows1252) {
        out.assign(bytes.begin(), bytes.end());
        return out;
    }
    if (m_kind == Kind::Ascii) {
        for (const std::uint8_t b : bytes) {
            out.push_back(b < 0x80 ? static_cast<char>(b) : '?');
        }
        return out;
    }
    IconvHandle handle = openIconv("UTF-16LE", m_iconvName.c_str());
    const auto cd = static_cast<iconv_t>(handle.get());
    std::array<char, 512> buffer{};
    const auto appendProduced = [&out, &buffer, escapes](std::size_t produced) {
        for (std::size_t i = 0; i + 1 < produced; i += 2) {
            appendUtf16Unit(out,
                            static_cast<std::uint16_t>(static_cast<std::uint8_t>(buffer[i]) |
                                                       (static_cast<std::uint8_t>(buffer[i + 1]) << 8)),
                            escapes);
        }
    };
    // Some code pages (1258, with its combining accents) hold a letter back until they see
    // whether an accent follows; flushing gives it out at the end of the text and before an
    // invalid byte, where the converter is reset.
    const auto flush = [&] {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        appendProduced(buffer.size() - outLeft);
    };
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        // Convert in pieces; an invalid byte becomes '?' and is skipped.
        char* in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(bytes.data() + pos));
        std::size_t inLeft = bytes.size() - pos;
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        const std::size_t produced = buffer.size() - outLeft;
        appendProduced(produced);
        const std::size_t consumed = bytes.size() - pos - inLeft;
        pos += consumed;
        if (result == static_cast<std::size_t>(-1) && error != E2BIG) {
            flush();
            out.push_back('?');
            ++pos;
        } else if (consumed == 0 && produced == 0) {
            break;
        }
    }
    flush();
    return out;
}

Bytes CodePage::encode(const std::string& text) const
{
    Bytes out;
    out.reserve(text.size());
    if (m_kind == Kind::Windows1252) {
        out.assign(text.begin(), text.end());
        return out;
    }
    if (m_kind == Kind::Ascii) {
        for (const char c : text) {
            out.push_back(static_cast<std::uint8_t>(c) < 0x80 ? static_cast<std::uint8_t>(c) : '?');
        }
        return out;
    }
    IconvHandle handle = openIconv(m_iconvName.c_str(), "UTF-16LE");
    for (const char c : text) {
        const std::uint16_t unit = windows1252ToUtf16(static_cast<std::uint8_t>(c));
        char in[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        char* inPtr = in;
        std::size_t inLeft = 2;
        char buffer[8];
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        if (iconv(static_cast<iconv_t>(handle.get()), &inPtr, &inLeft, &outPtr, &outLeft) ==
            static_cast<std::size_t>(-1)) {
            out.push_back('?');
            iconv(static_cast<iconv_t>(handle.get()), nullptr, nullptr, nullptr, nullptr);
            continue;
        }
        out.insert(out.end(), buffer, outPtr);
    }
    return out;
}

} // namespace mervalon::spreadsheet
