#include "core/spreadsheet/XmlStream.h"

#include "core/spreadsheet/TextCodec.h"
#include "core/spreadsheet/WorkbookError.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <expat.h>

namespace mervalon::spreadsheet {
// Called for every element of a sheet of a million rows: the colon and the end are found by the
// C library's vectorised searches.
XmlName splitXmlName(const char* name)
{
    const char* colon = std::strchr(name, ':');
    if (colon == nullptr) {
        return XmlName{{}, std::string_view(name)};
    }
    return XmlName{std::string_view(name, static_cast<std::size_t>(colon - name)), std::string_view(colon + 1)};
}

namespace {

// Whether the attribute name `name` ("prefix:local" or "local") has the local name `local`, and the
// prefix `prefix` when one is asked for; compared in place, without measuring the name first.
bool nameMatches(const char* name, std::string_view local, std::string_view prefix)
{
    if (!prefix.empty()) {
        if (std::strncmp(name, prefix.data(), prefix.size()) != 0 || name[prefix.size()] != ':') {
            return false;
        }
        name += prefix.size() + 1;
    } else if (const char* colon = std::strchr(name, ':')) {
        name = colon + 1;
    }
    return std::strncmp(name, local.data(), local.size()) == 0 && name[local.size()] == '\0';
}

} // namespace

const char* XmlAttributes::find(std::string_view local, std::string_view prefix) const
{
    for (const char** p = m_pairs; p != nullptr && *p != nullptr; p += 2) {
        if (nameMatches(p[0], local, prefix)) {
            return p[1];
        }
    }
    return nullptr;
}

XmlStream::XmlStream(XmlHandler& handler, std::string what, std::size_t maxDepth)
    : m_parser(XML_ParserCreate(nullptr)), m_handler(handler), m_what(std::move(what)), m_maxDepth(maxDepth)
{
    if (m_parser == nullptr) {
        throw WorkbookError("The workbook is too large to be read.");
    }
    XML_SetUserData(m_parser, this);
    XML_SetElementHandler(m_parser, &XmlStream::onStart, &XmlStream::onEnd);
    XML_SetCharacterDataHandler(m_parser, &XmlStream::onText);
    // No part of a workbook has a document type; one that declares it may be trying to expand
    // entities (a "billion laughs"), so the parse ends before anything of it is read.
    XML_SetStartDoctypeDeclHandler(m_parser, &XmlStream::onDoctype);
    XML_SetEntityDeclHandler(m_parser, &XmlStream::onEntity);
    XML_SetParamEntityParsing(m_parser, XML_PARAM_ENTITY_PARSING_NEVER);
}

XmlStream::~XmlStream()
{
    XML_ParserFree(m_parser);
}

void XmlStream::stop(std::string reason)
{
    if (m_stopReason.empty() && !m_handlerError) {
        m_stopReason = std::move(reason);
    }
    XML_StopParser(m_parser, XML_FALSE);
}

void XmlStream::onStart(void* self, const char* name, const char** attributes)
{
    auto& stream = *static_cast<XmlStream*>(self);
    if (++stream.m_depth > stream.m_maxDepth) {
        stream.stop("its elements nest more than " + std::to_string(stream.m_maxDepth) + " deep");
        return;
    }
    try {
        stream.m_handler.startElement(splitXmlName(name), XmlAttributes(attributes));
    } catch (...) {
        stream.m_handlerError = std::current_exception();
        XML_StopParser(stream.m_parser, XML_FALSE);
    }
}

void XmlStream::onEnd(void* self, const char* name)
{
    auto& stream = *static_cast<XmlStream*>(self);
    --stream.m_depth;
    try {
        stream.m_handler.endElement(splitXmlName(name));
    } catch (...) {
        stream.m_handlerError = std::current_exception();
        XML_StopParser(stream.m_parser, XML_FALSE);
    }
}

void XmlStream::onText(void* self, const char* text, int length)
{
    auto& stream = *static_cast<XmlStream*>(self);
    try {
        stream.m_handler.text(std::string_view(text, static_cast<std::size_t>(length)));
    } catch (...) {
        stream.m_handlerError = std::current_exception();
        XML_StopParser(stream.m_parser, XML_FALSE);
    }
}

void XmlStream::onDoctype(void* self, const char*, const char*, const char*, int)
{
    static_cast<XmlStream*>(self)->stop("it declares a document type, which no workbook part has");
}

void XmlStream::onEntity(void* self, const char*, int, const char*, int, const char*, const char*, const char*,
                         const char*)
{
    static_cast<XmlStream*>(self)->stop("it declares an entity, which no workbook part has");
}

void XmlStream::check(int status)
{
    if (m_handlerError) {
        std::rethrow_exception(m_handlerError);
    }
    if (!m_stopReason.empty()) {
        throw WorkbookError("The workbook is not read: " + m_what + " is refused because " + m_stopReason + ".");
    }
    if (status != XML_STATUS_OK) {
        throw WorkbookError("The workbook file is damaged: " + m_what + " is not well-formed XML (line " +
                            std::to_string(XML_GetCurrentLineNumber(m_parser)) + ": " +
                            XML_ErrorString(XML_GetErrorCode(m_parser)) + ").");
    }
}

void XmlStream::feed(const char* data, std::size_t size)
{
    while (size > 0) {
        const std::size_t piece = std::min<std::size_t>(size, INT_MAX);
        check(XML_Parse(m_parser, data, static_cast<int>(piece), XML_FALSE));
        data += piece;
        size -= piece;
    }
}

char* XmlStream::buffer(std::size_t size)
{
    void* room = XML_GetBuffer(m_parser, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
    if (room == nullptr) {
        throw WorkbookError("The workbook is too large to be read.");
    }
    return static_cast<char*>(room);
}

void XmlStream::parseBuffer(std::size_t filled)
{
    check(XML_ParseBuffer(m_parser, static_cast<int>(filled), XML_FALSE));
}

void XmlStream::finish()
{
    check(XML_Parse(m_parser, "", 0, XML_TRUE));
}

std::uint64_t XmlStream::eventOffset() const
{
    return static_cast<std::uint64_t>(XML_GetCurrentByteIndex(m_parser));
}

std::size_t XmlStream::eventLength() const
{
    return static_cast<std::size_t>(std::max(XML_GetCurrentByteCount(m_parser), 0));
}

void appendUtf8AsWindows1252(std::string& out, std::string_view utf8, CharacterEscapes* escapes)
{
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            ++i;
            continue;
        }
        const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > utf8.size()) {
            out.push_back('?');
            ++i;
            continue;
        }
        std::uint32_t code = lead & (0x7Fu >> length);
        bool valid = true;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            valid = valid && (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (!valid) {
            out.push_back('?');
            ++i;
            continue;
        }
        i += static_cast<std::size_t>(length);
        if (code > 0xFFFF) {
            // Two UTF-16 units, as an XLS workbook holds the same character.
            appendUtf16Unit(out, static_cast<std::uint16_t>(0xD800 + ((code - 0x10000) >> 10)), escapes);
            appendUtf16Unit(out, static_cast<std::uint16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)), escapes);
        } else {
            appendUtf16Unit(out, static_cast<std::uint16_t>(code), escapes);
        }
    }
}

} // namespace mervalon::spreadsheet
