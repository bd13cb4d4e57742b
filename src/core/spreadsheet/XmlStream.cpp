#include "core/spreadsheet/XmlStream.h"

#include "core/spreadsheet/TextCodec.h"
#include "core/spreadsheet/WorkbookError.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <expat.h>

namespace mervalon::spreadsheet {
XmlName splitXmlName(const char* name)
{
    const std::string_view all(name);
    const std::size_t colon = all.find(':');
    if (colon == std::string_view::npos) {
        return XmlName{{}, all};
    }
    return XmlName{all.substr(0, colon), all.substr(colon + 1)};
}

const char* XmlAttributes::find(std::string_view local, std::string_view prefix) const
{
    for (const char** p = m_pairs; p != nullptr && *p != nullptr; p += 2) {
        const XmlName name = splitXmlName(p[0]);
        if (name.local == local && (prefix.empty() || name.space == prefix)) {
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

void appendUtf8AsWindows1252(std::string& out, std::string_view utf8)
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
            out += "??"; // two UTF-16 units, as an XLS workbook holds the same character
        } else {
            appendUtf16Unit(out, static_cast<std::uint16_t>(code));
        }
    }
}

} // namespace mervalon::spreadsheet
