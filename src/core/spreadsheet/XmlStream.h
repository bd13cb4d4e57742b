#pragma once
// A streaming XML parser (expat) hardened for files from anywhere: no document type declarations
// (so no entity can expand), a limit on nesting, names split into prefix and local name.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

struct XML_ParserStruct;

namespace mervalon::spreadsheet {

/// An element's or attribute's name: `space` is its prefix (empty when none), `local` the name
/// without it. Namespaces are not resolved: every producer of these files uses the prefixes the
/// standards use, and resolving them costs a third of the parse. Readers match local names.
struct XmlName {
    std::string_view space;
    std::string_view local;
};

XmlName splitXmlName(const char* name);

/// The attributes of a start tag, as expat hands them: name, value, name, value, …, nullptr.
class XmlAttributes {
  public:
    explicit XmlAttributes(const char** pairs) : m_pairs(pairs) {}
    /// The value of the attribute with local name `local` (and prefix `prefix`, when given);
    /// nullptr when absent.
    const char* find(std::string_view local, std::string_view prefix = {}) const;
    /// Calls `visit(name, value)` for each attribute in the order written: for a handler that
    /// wants several of a hot element's attributes, one pass instead of a find for each.
    template <typename Visit> void forEach(Visit&& visit) const
    {
        for (const char** p = m_pairs; p != nullptr && *p != nullptr; p += 2) {
            visit(splitXmlName(p[0]), p[1]);
        }
    }

  private:
    const char** m_pairs;
};

/// Receives what the parser meets. Text may come in several pieces.
class XmlHandler {
  public:
    virtual ~XmlHandler() = default;
    virtual void startElement(const XmlName& name, const XmlAttributes& attributes) = 0;
    virtual void endElement(const XmlName& name) = 0;
    virtual void text(std::string_view) {}
};

class XmlStream {
  public:
    /// `what` names the document in messages ("the sheet \"xl/worksheets/sheet1.xml\"").
    XmlStream(XmlHandler& handler, std::string what, std::size_t maxDepth = 256);
    ~XmlStream();
    XmlStream(const XmlStream&) = delete;
    XmlStream& operator=(const XmlStream&) = delete;

    /// Parses the next piece of the document; throws WorkbookError when it is not well-formed,
    /// declares a DTD, nests too deeply, or when a handler throws (that exception comes through).
    void feed(const char* data, std::size_t size);
    /// Room in the parser's own buffer for the next `size` bytes of the document (at most
    /// INT_MAX), so that they can be unpacked there instead of copied; parseBuffer then parses the
    /// first `filled` of them, as feed does.
    char* buffer(std::size_t size);
    void parseBuffer(std::size_t filled);
    /// Ends the document: it must be complete.
    void finish();

    /// Where the element start or end being handled lies in the document's bytes: the offset of
    /// its first byte and its length (0 for the end of an empty element, whose offset is then
    /// just after it). For handlers that copy the document's own bytes.
    [[nodiscard]] std::uint64_t eventOffset() const;
    [[nodiscard]] std::size_t eventLength() const;

  private:
    static void onStart(void* self, const char* name, const char** attributes);
    static void onEnd(void* self, const char* name);
    static void onText(void* self, const char* text, int length);
    static void onDoctype(void* self, const char*, const char*, const char*, int);
    static void onEntity(void* self, const char*, int, const char*, int, const char*, const char*, const char*,
                         const char*);
    void stop(std::string reason);
    void check(int status);

    XML_ParserStruct* m_parser;
    XmlHandler& m_handler;
    std::string m_what;
    std::size_t m_maxDepth;
    std::size_t m_depth = 0;
    std::string m_stopReason;
    std::exception_ptr m_handlerError;
};

class CharacterEscapes;

/// Appends UTF-8 text as the program's Windows-1252 text (see TextCodec: '?' for characters it
/// lacks, "??" for one beyond the Basic Multilingual Plane, or with `escapes` their escapes;
/// malformed bytes give '?').
void appendUtf8AsWindows1252(std::string& out, std::string_view utf8, CharacterEscapes* escapes = nullptr);

} // namespace mervalon::spreadsheet
