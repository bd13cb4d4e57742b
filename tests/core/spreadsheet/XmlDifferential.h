#pragma once
// Reads one document with the plain scanner and with expat (XmlStream) and tells how they differ,
// for the scanner's tests and its fuzzer. Consistent means: when the scanner takes the whole
// document, expat takes it too and both hand on the same events; when the scanner declines, what
// it handed on is the beginning of what expat hands on.

#include "core/spreadsheet/PlainXmlScanner.h"
#include "core/spreadsheet/WorkbookError.h"
#include "core/spreadsheet/XmlStream.h"

#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mervalon::test {

// The events as lines: "<name a=v b=w", ">name", "'text" (pieces of text joined).
class XmlEventRecorder : public spreadsheet::XmlHandler {
  public:
    std::vector<std::string> events;

    void startElement(const spreadsheet::XmlName& name, const spreadsheet::XmlAttributes& attributes) override
    {
        std::string line = "<" + qualified(name);
        attributes.forEach([&](const spreadsheet::XmlName& attribute, const char* value) {
            line += " " + qualified(attribute) + "=[" + value + "]";
        });
        events.push_back(std::move(line));
    }
    void endElement(const spreadsheet::XmlName& name) override { events.push_back(">" + qualified(name)); }
    void text(std::string_view piece) override
    {
        if (events.empty() || events.back()[0] != '\'') {
            events.emplace_back("'");
        }
        events.back().append(piece);
    }

  private:
    static std::string qualified(const spreadsheet::XmlName& name)
    {
        return name.space.empty() ? std::string(name.local) : std::string(name.space) + ":" + std::string(name.local);
    }
};

struct XmlComparison {
    bool scannerTookAll = false;
    bool expatTookAll = false;
    std::string difference; // empty when consistent
};

// `cuts` are where the document is cut into the pieces both are fed (sorted, within the document).
inline XmlComparison compareScannerWithExpat(std::string_view document, std::span<const std::size_t> cuts,
                                             std::size_t maxDepth = 256)
{
    XmlComparison result;
    std::vector<std::string_view> pieces;
    std::size_t from = 0;
    for (const std::size_t cut : cuts) {
        const std::size_t at = std::clamp(cut, from, document.size());
        pieces.push_back(document.substr(from, at - from));
        from = at;
    }
    pieces.push_back(document.substr(from));

    XmlEventRecorder scanned;
    spreadsheet::PlainXmlScanner scanner(scanned, maxDepth);
    bool taking = true;
    for (const std::string_view piece : pieces) {
        taking = taking && scanner.feed(piece.data(), piece.size());
    }
    result.scannerTookAll = taking && scanner.finish();

    XmlEventRecorder parsed;
    try {
        spreadsheet::XmlStream stream(parsed, "the document", maxDepth);
        for (const std::string_view piece : pieces) {
            stream.feed(piece.data(), piece.size());
        }
        stream.finish();
        result.expatTookAll = true;
    } catch (const spreadsheet::WorkbookError&) {
    }

    const auto describe = [](const std::vector<std::string>& events, std::size_t i) {
        return i < events.size() ? events[i] : std::string("(nothing)");
    };
    if (result.scannerTookAll) {
        if (!result.expatTookAll) {
            result.difference = "the scanner took a document expat refuses";
            return result;
        }
        for (std::size_t i = 0; i < std::max(scanned.events.size(), parsed.events.size()); ++i) {
            if (describe(scanned.events, i) != describe(parsed.events, i)) {
                result.difference = "event " + std::to_string(i) + ": scanner " + describe(scanned.events, i) +
                                    ", expat " + describe(parsed.events, i);
                return result;
            }
        }
        return result;
    }
    for (std::size_t i = 0; i < scanned.events.size(); ++i) {
        const std::string& mine = scanned.events[i];
        const std::string theirs = describe(parsed.events, i);
        const bool last = i + 1 == scanned.events.size();
        const bool textBegun = last && mine[0] == '\'' && theirs.compare(0, mine.size(), mine) == 0;
        if (mine != theirs && !textBegun) {
            result.difference =
                "before declining, event " + std::to_string(i) + ": scanner " + mine + ", expat " + theirs;
            return result;
        }
    }
    return result;
}

} // namespace mervalon::test
