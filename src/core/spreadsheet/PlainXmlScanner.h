#pragma once
// A scanner for the plain XML that spreadsheet producers write, several times faster than expat
// on a sheet's millions of small elements.
//
// It takes elements, attributes, text, the five predefined entities and character references, in
// UTF-8 after an optional byte order mark and XML declaration of version 1.0. Everything else it
// declines without judging it: comments, processing instructions, CDATA, a document type, another
// encoding, names beyond ASCII, a carriage return in text or an attribute (whose line ends XML
// turns into line feeds), nesting deeper than the limit, a tag of more than a mebibyte, and every
// fault of well-formedness. What it takes, it hands the handler as XmlStream does: the same start
// and end events with the same names and attribute values, and the same text, though it may split
// text elsewhere. Once it declines (feed or finish returns false), the document must be parsed
// again from its start by XmlStream, which reads it in full or gives the message; the events
// handed on until then are the first events XmlStream hands on for the same bytes.

#include "core/spreadsheet/SheetStream.h"
#include "core/spreadsheet/XmlStream.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mervalon::spreadsheet {

class PlainXmlScanner {
  public:
    explicit PlainXmlScanner(XmlHandler& handler, std::size_t maxDepth = 256);

    /// Scans the next piece of the document; false once the scanner has declined it. A handler's
    /// exception comes through.
    [[nodiscard]] bool feed(const char* data, std::size_t size);
    /// Ends the document: true when it was whole and plain, every event handed on.
    [[nodiscard]] bool finish();

  private:
    enum class Place { Start, Prolog, Content, Epilog };
    enum class Step { Taken, NeedMore, Declined };
    struct Span {
        std::size_t begin = 0;
        std::size_t end = 0;
    };

    bool scan();
    Step declaration();
    Step outsideRoot();
    Step text();
    Step reference(std::size_t at, std::size_t end, bool more, std::size_t& length);
    Step startTag();
    Step endTag();
    Step deliverStart(Span name, bool empty);
    bool decodeValue(Span value, char*& out);

    XmlHandler& m_handler;
    std::size_t m_maxDepth;
    Place m_place = Place::Start;
    bool m_atStart = true; // where a byte order mark may stand
    bool m_declined = false;
    std::vector<char> m_data;
    std::size_t m_head = 0; // the first byte not yet scanned
    // The names of the open elements; strings are kept past their element so that their room is
    // reused by the next element at that depth.
    std::vector<std::string> m_open;
    std::size_t m_depth = 0;
    std::vector<Span> m_attributes; // name, value, name, value, … of the tag being read
    std::vector<const char*> m_pairs;
    std::string m_reference;
};

/// Parses `document` into `handler` with the plain scanner; when it declines, `again()` readies a
/// fresh handler and XmlStream parses the document from its start into that one (`what` names the
/// document in its messages). The events the first handler got before are the first the second
/// gets (a handler that hands rows on: parseRowsPlainFirst).
void parsePlainFirst(const DocumentSource& document, XmlHandler& handler, const std::function<XmlHandler&()>& again,
                     const std::string& what);

/// parsePlainFirst for a handler that hands rows on to `visitor` (which may be nullptr):
/// `make(handler, rows)` constructs it in `handler` to hand them to `rows`. When the scanner
/// declines, a fresh handler reads the document again and the rows handed on before are skipped,
/// so that `visitor` gets each row once.
template <typename Handler, typename Make>
void parseRowsPlainFirst(const DocumentSource& document, RowVisitor* visitor, const std::string& what,
                         std::optional<Handler>& handler, Make&& make)
{
    std::optional<RowsAfter> rows(std::in_place, visitor, 0);
    make(handler, *rows);
    parsePlainFirst(
        document, *handler,
        [&]() -> XmlHandler& {
            const std::uint64_t handedOn = rows->rows();
            handler.reset();
            rows.emplace(visitor, handedOn);
            make(handler, *rows);
            return *handler;
        },
        what);
}

} // namespace mervalon::spreadsheet
