#include "core/spreadsheet/PlainXmlScanner.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace mervalon::spreadsheet {
namespace {

constexpr std::size_t kSlice = 256 * 1024;  // bytes taken in before scanning, whatever a piece's size
constexpr std::size_t kMaxHeld = 1 << 20;   // bytes held while waiting for a tag's end
constexpr std::size_t kMaxAttributes = 256; // duplicates are sought pair by pair
constexpr std::size_t kMaxReference = 12;   // "&#x10FFFF;" and a few leading zeros

// The declarations producers write; any other is left to expat, which also knows the encodings.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF"; // written by some producers of XLSX parts

constexpr std::string_view kDeclarations[] = {
    R"(<?xml version="1.0" encoding="UTF-8"?>)",
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)",
    R"(<?xml version="1.0" encoding="UTF-8" standalone="no"?>)",
    R"(<?xml version="1.0" encoding="utf-8"?>)",
    R"(<?xml version="1.0" encoding="utf-8" standalone="yes"?>)",
    R"(<?xml version="1.0" encoding="utf-8" standalone="no"?>)",
    R"(<?xml version='1.0' encoding='UTF-8'?>)",
    R"(<?xml version='1.0' encoding='utf-8'?>)",
    R"(<?xml version='1.0' encoding='UTF-8' standalone='yes'?>)",
    R"(<?xml version='1.0' encoding='utf-8' standalone='yes'?>)",
    R"(<?xml version="1.0"?>)",
    R"(<?xml version="1.0" standalone="yes"?>)",
};

enum ByteClass : std::uint8_t {
    kOther = 0,
    kSpace = 1,     // ' ', '\t', '\n', '\r'
    kNameStart = 2, // ASCII letters, '_', ':'
    kName = 4,      // name starts, digits, '.', '-'
    kText = 8,      // text handed on as it stands: printable ASCII but for '<', '&', ']', '>'; tab, line feed
    kValue = 16,    // attribute value bytes kept as they stand: printable ASCII but for '<', '&'
};

constexpr std::array<std::uint8_t, 256> makeClasses()
{
    std::array<std::uint8_t, 256> classes{};
    for (int c = 0x20; c < 0x7F; ++c) {
        classes[c] |= kValue;
        if (c != '<' && c != '&' && c != ']' && c != '>') {
            classes[c] |= kText;
        }
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (letter || c == '_' || c == ':') {
            classes[c] |= kNameStart | kName;
        }
        if ((c >= '0' && c <= '9') || c == '.' || c == '-') {
            classes[c] |= kName;
        }
    }
    classes['<'] &= static_cast<std::uint8_t>(~kValue);
    classes['&'] &= static_cast<std::uint8_t>(~kValue);
    classes['\t'] |= kText;
    classes['\n'] |= kText;
    for (const char c : {' ', '\t', '\n', '\r'}) {
        classes[static_cast<unsigned char>(c)] |= kSpace;
    }
    return classes;
}

constexpr std::array<std::uint8_t, 256> kClasses = makeClasses();

bool is(char c, ByteClass what)
{
    return (kClasses[static_cast<unsigned char>(c)] & what) != 0;
}

// The length of the UTF-8 sequence at `p` (a byte of 0x80 or more) when it is a character XML
// allows, 0 when it is not (or not UTF-8 at all), -1 when it runs past `end`.
int characterLength(const unsigned char* p, const unsigned char* end)
{
    const unsigned lead = p[0];
    int length = 0;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;   // no overlong forms
        high = lead == 0xED ? 0x9F : high; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high; // nothing beyond U+10FFFF
    } else {
        return 0;
    }
    for (int k = 1; k < length; ++k) {
        if (p + k >= end) {
            return -1;
        }
        const unsigned next = p[k];
        if (next < (k == 1 ? low : 0x80u) || next > (k == 1 ? high : 0xBFu)) {
            return 0;
        }
    }
    if (lead == 0xEF && p[1] == 0xBF && p[2] >= 0xBE) {
        return 0; // U+FFFE and U+FFFF are not characters of XML
    }
    return length;
}

bool isXmlCharacter(std::uint32_t code)
{
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

void appendUtf8(std::string& out, std::uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The character a reference's name ("amp", "#38", "#x26") stands for, appended to `out`; false
// for an entity XML does not predefine or a number that is not a character.
bool appendReferenced(std::string_view name, std::string& out)
{
    static constexpr std::pair<std::string_view, char> kPredefined[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [entity, character] : kPredefined) {
        if (name == entity) {
            out += character;
            return true;
        }
    }
    if (name.size() < 2 || name[0] != '#') {
        return false;
    }
    const bool hex = name[1] == 'x';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) {
        return false;
    }
    std::uint64_t code = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return false;
        }
        code = code * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
    }
    if (code > 0x10FFFF || !isXmlCharacter(static_cast<std::uint32_t>(code))) {
        return false;
    }
    appendUtf8(out, static_cast<std::uint32_t>(code));
    return true;
}

} // namespace

PlainXmlScanner::PlainXmlScanner(XmlHandler& handler, std::size_t maxDepth) : m_handler(handler), m_maxDepth(maxDepth)
{
}

bool PlainXmlScanner::feed(const char* data, std::size_t size)
{
    while (!m_declined && size > 0) {
        const std::size_t take = std::min(size, kSlice);
        m_data.erase(m_data.begin(), m_data.begin() + static_cast<std::ptrdiff_t>(m_head));
        m_head = 0;
        m_data.insert(m_data.end(), data, data + take);
        data += take;
        size -= take;
        m_declined = !scan();
    }
    return !m_declined;
}

bool PlainXmlScanner::finish()
{
    return !m_declined && m_place == Place::Epilog && m_head == m_data.size();
}

bool PlainXmlScanner::scan()
{
    while (m_head < m_data.size()) {
        Step step = Step::Declined;
        switch (m_place) {
        case Place::Start:
            step = declaration();
            break;
        case Place::Prolog:
        case Place::Epilog:
            step = outsideRoot();
            break;
        case Place::Content:
            if (m_data[m_head] != '<') {
                step = text();
            } else if (m_head + 1 >= m_data.size()) {
                step = Step::NeedMore;
            } else {
                step = m_data[m_head + 1] == '/' ? endTag() : startTag();
            }
            break;
        }
        if (step == Step::Declined) {
            return false;
        }
        if (step == Step::NeedMore) {
            break;
        }
    }
    return m_data.size() - m_head <= kMaxHeld;
}

PlainXmlScanner::Step PlainXmlScanner::declaration()
{
    const std::string_view held(m_data.data() + m_head, m_data.size() - m_head);
    if (m_atStart) {
        if (held.size() < kByteOrderMark.size() && kByteOrderMark.substr(0, held.size()) == held) {
            return Step::NeedMore;
        }
        m_atStart = false;
        if (held.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
            m_head += kByteOrderMark.size(); // UTF-8 said once more; the declaration may follow
            return Step::Taken;
        }
    }
    bool mayBe = false;
    for (const std::string_view declaration : kDeclarations) {
        if (held.substr(0, declaration.size()) == declaration) {
            m_head += declaration.size();
            m_place = Place::Prolog;
            return Step::Taken;
        }
        mayBe = mayBe || (held.size() < declaration.size() && declaration.substr(0, held.size()) == held);
    }
    if (mayBe) {
        return Step::NeedMore;
    }
    m_place = Place::Prolog; // no declaration: what follows must be the root (or is declined there)
    return Step::Taken;
}

PlainXmlScanner::Step PlainXmlScanner::outsideRoot()
{
    while (m_head < m_data.size() && is(m_data[m_head], kSpace)) {
        ++m_head;
    }
    if (m_head == m_data.size()) {
        return Step::NeedMore;
    }
    if (m_place == Place::Epilog || m_data[m_head] != '<') {
        return Step::Declined; // after the root only white space; before it only the root's tag
    }
    if (m_head + 1 == m_data.size()) {
        return Step::NeedMore;
    }
    return is(m_data[m_head + 1], kNameStart) ? startTag() : Step::Declined;
}

PlainXmlScanner::Step PlainXmlScanner::text()
{
    const char* data = m_data.data();
    const std::size_t end = m_data.size();
    std::size_t run = m_head;
    std::size_t p = m_head;
    const auto handOn = [&] {
        if (p > run) {
            m_handler.text(std::string_view(data + run, p - run));
        }
        m_head = p;
    };
    while (p < end) {
        const char c = data[p];
        if (is(c, kText)) {
            ++p;
            continue;
        }
        switch (c) {
        case '<':
            handOn();
            return Step::Taken;
        case ']':
            ++p;
            continue;
        case '>':
            if (p - run >= 2 && data[p - 1] == ']' && data[p - 2] == ']') {
                return Step::Declined; // "]]>" ends a CDATA section, which text may not
            }
            ++p;
            continue;
        case '&': {
            handOn();
            std::size_t length = 0;
            const Step step = reference(p, end, true, length);
            if (step != Step::Taken) {
                return step;
            }
            m_handler.text(m_reference);
            p += length;
            run = p;
            m_head = p;
            continue;
        }
        default:
            break;
        }
        if (static_cast<unsigned char>(c) < 0x80) {
            return Step::Declined; // a control character, or a carriage return XML would turn into a line feed
        }
        const auto* bytes = reinterpret_cast<const unsigned char*>(data);
        const int length = characterLength(bytes + p, bytes + end);
        if (length == 0) {
            return Step::Declined;
        }
        if (length < 0) {
            break; // the rest of the character comes with the next piece
        }
        p += static_cast<std::size_t>(length);
    }
    // Up to two ']' at the end wait for the next piece, as expat's do: they may begin a "]]>".
    for (int held = 0; held < 2 && p > run && data[p - 1] == ']'; ++held) {
        --p;
    }
    handOn();
    return Step::NeedMore;
}

PlainXmlScanner::Step PlainXmlScanner::reference(std::size_t at, std::size_t end, bool more, std::size_t& length)
{
    const std::size_t room = std::min(end - at, kMaxReference);
    const void* semicolon = std::memchr(m_data.data() + at, ';', room);
    if (semicolon == nullptr) {
        return more && end - at < kMaxReference ? Step::NeedMore : Step::Declined;
    }
    length = static_cast<std::size_t>(static_cast<const char*>(semicolon) - (m_data.data() + at)) + 1;
    m_reference.clear();
    const std::string_view name(m_data.data() + at + 1, length - 2);
    return appendReferenced(name, m_reference) ? Step::Taken : Step::Declined;
}

PlainXmlScanner::Step PlainXmlScanner::startTag()
{
    const char* data = m_data.data();
    const std::size_t end = m_data.size();
    if (!is(data[m_head + 1], kNameStart)) {
        return Step::Declined; // a comment, a processing instruction, CDATA, a declaration or no name
    }
    // The tag's end: the first '>' outside quotes. Only then is the tag read, so that it is read once.
    std::size_t close = m_head + 1;
    for (;; ++close) {
        if (close >= end) {
            return Step::NeedMore;
        }
        const char c = data[close];
        if (c == '>') {
            break;
        }
        if (c == '"' || c == '\'') {
            const void* quote = std::memchr(data + close + 1, c, end - close - 1);
            if (quote == nullptr) {
                return Step::NeedMore;
            }
            close = static_cast<std::size_t>(static_cast<const char*>(quote) - data);
        }
    }
    // Every loop below stops at data[close], the '>', which is neither a name's byte nor space.
    std::size_t p = m_head + 1;
    while (is(data[p], kName)) {
        ++p;
    }
    const Span element{m_head + 1, p};
    m_attributes.clear();
    bool empty = false;
    for (;;) {
        const std::size_t spaceAt = p;
        while (is(data[p], kSpace)) {
            ++p;
        }
        if (data[p] == '>') {
            break;
        }
        if (data[p] == '/') {
            if (p + 1 != close) {
                return Step::Declined;
            }
            empty = true;
            break;
        }
        if (p == spaceAt || !is(data[p], kNameStart) || m_attributes.size() >= 2 * kMaxAttributes) {
            return Step::Declined;
        }
        const std::size_t nameBegin = p;
        while (is(data[p], kName)) {
            ++p;
        }
        const std::size_t nameEnd = p;
        while (is(data[p], kSpace)) {
            ++p;
        }
        if (data[p] != '=') {
            return Step::Declined;
        }
        ++p;
        while (is(data[p], kSpace)) {
            ++p;
        }
        const char quote = data[p];
        if (quote != '"' && quote != '\'') {
            return Step::Declined;
        }
        const void* closing = std::memchr(data + p + 1, quote, close - p - 1);
        if (closing == nullptr) {
            return Step::Declined;
        }
        const auto valueEnd = static_cast<std::size_t>(static_cast<const char*>(closing) - data);
        m_attributes.push_back(Span{nameBegin, nameEnd});
        m_attributes.push_back(Span{p + 1, valueEnd});
        p = valueEnd + 1;
    }
    for (std::size_t i = 2; i < m_attributes.size(); i += 2) {
        const std::string_view current(data + m_attributes[i].begin, m_attributes[i].end - m_attributes[i].begin);
        for (std::size_t j = 0; j < i; j += 2) {
            if (current ==
                std::string_view(data + m_attributes[j].begin, m_attributes[j].end - m_attributes[j].begin)) {
                return Step::Declined; // the same attribute twice
            }
        }
    }
    if (m_depth + 1 > m_maxDepth) {
        return Step::Declined;
    }
    const Step step = deliverStart(element, empty);
    if (step == Step::Taken) {
        m_head = close + 1;
    }
    return step;
}

bool PlainXmlScanner::decodeValue(Span value, char*& out)
{
    char* data = m_data.data();
    std::size_t r = value.begin;
    std::size_t w = value.begin;
    while (r < value.end) {
        const char c = data[r];
        if (is(c, kValue)) {
            data[w++] = c;
            ++r;
        } else if (c == '\t' || c == '\n') {
            data[w++] = ' '; // white space in a value is read as a blank
            ++r;
        } else if (c == '&') {
            std::size_t length = 0;
            if (reference(r, value.end, false, length) != Step::Taken) {
                return false;
            }
            // A reference is never shorter than the character it stands for.
            std::memcpy(data + w, m_reference.data(), m_reference.size());
            w += m_reference.size();
            r += length;
        } else if (static_cast<unsigned char>(c) >= 0x80) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(data);
            const int length = characterLength(bytes + r, bytes + value.end);
            if (length <= 0) {
                return false;
            }
            std::memmove(data + w, data + r, static_cast<std::size_t>(length));
            w += static_cast<std::size_t>(length);
            r += static_cast<std::size_t>(length);
        } else {
            return false; // '<', a control character or a carriage return
        }
    }
    data[w] = '\0';
    out = data + value.begin;
    return true;
}

PlainXmlScanner::Step PlainXmlScanner::deliverStart(Span name, bool empty)
{
    m_pairs.clear();
    for (std::size_t i = 0; i < m_attributes.size(); i += 2) {
        char* value = nullptr;
        if (!decodeValue(m_attributes[i + 1], value)) {
            return Step::Declined;
        }
        m_pairs.push_back(m_data.data() + m_attributes[i].begin);
        m_pairs.push_back(value);
    }
    // Every name ends at a blank, '=', '/' or '>', all read already: the ends become terminators.
    for (std::size_t i = 0; i < m_attributes.size(); i += 2) {
        m_data[m_attributes[i].end] = '\0';
    }
    m_pairs.push_back(nullptr);
    if (m_open.size() <= m_depth) {
        m_open.resize(m_depth + 1);
    }
    std::string& open = m_open[m_depth];
    open.assign(m_data.data() + name.begin, name.end - name.begin);
    ++m_depth;
    m_place = Place::Content;
    m_handler.startElement(splitXmlName(open.c_str()), XmlAttributes(m_pairs.data()));
    if (empty) {
        --m_depth;
        m_handler.endElement(splitXmlName(open.c_str()));
        m_place = m_depth == 0 ? Place::Epilog : Place::Content;
    }
    return Step::Taken;
}

PlainXmlScanner::Step PlainXmlScanner::endTag()
{
    const char* data = m_data.data();
    const std::size_t end = m_data.size();
    const std::size_t begin = m_head + 2;
    std::size_t p = begin;
    while (p < end && is(data[p], kName)) {
        ++p;
    }
    const std::size_t nameEnd = p;
    while (p < end && is(data[p], kSpace)) {
        ++p;
    }
    if (p >= end) {
        return Step::NeedMore;
    }
    const std::string& open = m_open[m_depth - 1];
    if (data[p] != '>' || std::string_view(data + begin, nameEnd - begin) != open) {
        return Step::Declined;
    }
    m_head = p + 1;
    --m_depth;
    if (m_depth == 0) {
        m_place = Place::Epilog;
    }
    m_handler.endElement(splitXmlName(open.c_str()));
    return Step::Taken;
}

void parsePlainFirst(const DocumentSource& document, XmlHandler& handler, const std::function<XmlHandler&()>& again,
                     const std::string& what)
{
    struct Declined {};
    {
        PlainXmlScanner scanner(handler);
        try {
            document([&](const char* data, std::size_t size) {
                if (!scanner.feed(data, size)) {
                    throw Declined{};
                }
            });
            if (scanner.finish()) {
                return;
            }
        } catch (const Declined&) {
        }
    }
    XmlHandler& fresh = again();
    XmlStream xml(fresh, what);
    document([&](const char* data, std::size_t size) { xml.feed(data, size); });
    xml.finish();
}

} // namespace mervalon::spreadsheet
