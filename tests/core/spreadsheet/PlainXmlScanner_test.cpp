#include "core/spreadsheet/XmlDifferential.h"

#include <gtest/gtest.h>
#include <numeric>

namespace mervalon::spreadsheet {
namespace {

using test::compareScannerWithExpat;

struct Case {
    const char* what;
    std::string document;
    bool plain; // whether the scanner takes it whole (else it leaves it to expat)
};

std::string cell(const std::string& value)
{
    return R"(<table:table-cell office:value-type="float" office:value=")" + value + R"("><text:p>)" + value +
           "</text:p></table:table-cell>";
}

const std::string kDeclaration = R"(<?xml version="1.0" encoding="UTF-8"?>)";

std::vector<Case> cases()
{
    const std::string root = kDeclaration + "\n<r>";
    return {
        {"a sheet as LibreOffice writes it",
         kDeclaration + "\n" +
             R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
             R"(office:version="1.3"><office:body><office:spreadsheet><table:table table:name="Points">)"
             "<table:table-row>" +
             cell("1") + cell("600000.375") +
             R"(<table:table-cell office:value-type="string"><text:p>tree 3</text:p></table:table-cell>)"
             R"(</table:table-row><table:table-row table:number-rows-repeated="1048570"><table:table-cell/>)"
             "</table:table-row></table:table></office:spreadsheet></office:body></office:document-content>",
         true},
        {"no declaration", "<r a='1'>x</r>", true},
        {"white space around the root", " \n\t<r/>\r\n ", true},
        {"each declaration producers write", R"(<?xml version='1.0' encoding='UTF-8'?><r/>)", true},
        {"a byte order mark", "\xEF\xBB\xBF<r/>", true},
        {"a byte order mark and a declaration", "\xEF\xBB\xBF" + kDeclaration + "\r\n<r>x</r>", true},
        {"single quotes and standalone", R"(<?xml version='1.0' encoding='UTF-8' standalone='yes'?><r/>)", true},
        {"a standalone declaration", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><r/>)", true},
        {"predefined entities in text", root + "a&lt;b&gt;c&amp;d&quot;e&apos;f</r>", true},
        {"predefined entities in a value", root + R"(<c v="&lt;&amp;&gt;&quot;&apos;"/></r>)", true},
        {"character references", root + "&#65;&#x42;&#x00e9;&#x20AC;&#128512;&#9;&#10;&#13;</r>", true},
        {"character references in a value keep tabs and line ends", root + R"(<c v="a&#9;b&#10;c&#13;d"/></r>)", true},
        {"tabs and line feeds in a value are blanks", root + "<c v=\"a\tb\nc\"/></r>", true},
        {"UTF-8 of two, three and four bytes", root + "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD</r>", true},
        {"UTF-8 in a value", root + "<c v=\"\xC3\xA9\xF4\x8F\xBF\xBF\"/></r>", true},
        {"a quote of the other kind inside a value", root + R"(<c a='say "x"' b="it's"/></r>)", true},
        {"'>' inside a value", root + R"(<c a="1>2"/></r>)", true},
        {"blanks around '=' and before the tag's end", root + "<c a = \"1\"\n\tb='2' ></c ></r>", true},
        {"a lone ']' and '>' in text", root + "a]b>c]>d</r>", true},
        {"']]' followed by a reference", root + "]]&gt;</r>", true},
        {"namespace declarations are attributes", root + R"(<x:c xmlns:x="u" xmlns="v" x:a="1"/></r>)", true},
        {"names with dots, dashes, digits and colons", root + "<a.b-c:d_e9 f:g-h.i='1'/></r>", true},
        {"an empty value", root + R"(<c a=""/></r>)", true},

        {"a comment", root + "<!-- note --></r>", false},
        {"a processing instruction", root + "<?pi x?></r>", false},
        {"CDATA", root + "<![CDATA[x]]></r>", false},
        {"a document type", "<!DOCTYPE r><r/>", false},
        {"a byte order mark twice", "\xEF\xBB\xBF\xEF\xBB\xBF<r/>", false},
        {"a byte order mark after white space", " \xEF\xBB\xBF<r/>", false},
        {"another encoding",
         R"(<?xml version="1.0" encoding="ISO-8859-1"?><r>)"
         "\xE9</r>",
         false},
        {"version 1.1", R"(<?xml version="1.1"?><r/>)", false},
        {"a carriage return in text", root + "a\r\nb</r>", false},
        {"a carriage return in a value", root + "<c a=\"x\ry\"/></r>", false},
        {"a name beyond ASCII", root + "<\xC3\xA9/></r>", false},
        {"']]>' in text", root + "a]]>b</r>", false},
        {"an undefined entity", root + "&nbsp;</r>", false},
        {"a reference to no character", root + "&#0;</r>", false},
        {"a reference to a surrogate", root + "&#xD800;</r>", false},
        {"a reference to U+FFFE", root + "&#xFFFE;</r>", false},
        {"a reference beyond Unicode", root + "&#x110000;</r>", false},
        {"an uppercase X in a reference", root + "&#X41;</r>", false},
        {"a reference without its semicolon", root + "&amp b</r>", false},
        {"a bare ampersand in a value", root + R"(<c a="x & y"/></r>)", false},
        {"'<' in a value", root + R"(<c a="x<y"/></r>)", false},
        {"malformed UTF-8", root + "\xC3(</r>", false},
        {"an overlong UTF-8 form", root + "\xC0\xAF</r>", false},
        {"UTF-8 of a surrogate", root + "\xED\xA0\x80</r>", false},
        {"UTF-8 of U+FFFF", root + "\xEF\xBF\xBF</r>", false},
        {"UTF-8 beyond U+10FFFF", root + "\xF4\x90\x80\x80</r>", false},
        {"a control character", root + "a\x01</r>", false},
        {"a NUL", root + std::string("a\0b", 3) + "</r>", false},
        {"the same attribute twice", root + R"(<c a="1" a="2"/></r>)", false},
        {"attributes without a blank between", root + R"(<c a="1"b="2"/></r>)", false},
        {"an attribute without a value", root + "<c a/></r>", false},
        {"an unquoted value", root + "<c a=1/></r>", false},
        {"a blank before '/>'s '>'", root + "<c / ></r>", false},
        {"a blank after '<'", root + "< c/></r>", false},
        {"a name beginning with a digit", root + "<1c/></r>", false},
        {"a mismatched end tag", root + "<a></b></r>", false},
        {"an end tag without a name", root + "<a></></r>", false},
        {"an unclosed root", root + "<a></a>", false},
        {"junk after the root", "<r/>x", false},
        {"two roots", "<r/><s/>", false},
        {"a comment after the root", "<r/><!-- c -->", false},
        {"no root at all", kDeclaration + "\n", false},
        {"an empty document", "", false},
        {"text before the root", "x<r/>", false},
    };
}

// Every case, whole and cut at every byte (tokens cross pieces everywhere): consistent with expat,
// and taken whole exactly when plain.
TEST(PlainXmlScannerTest, AgreesWithExpatAndDeclinesAllButPlainXml)
{
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.what);
        const auto whole = compareScannerWithExpat(c.document, {});
        EXPECT_EQ(whole.difference, "");
        EXPECT_EQ(whole.scannerTookAll, c.plain);
        if (c.plain) {
            EXPECT_TRUE(whole.expatTookAll);
        }
        for (std::size_t cut = 0; cut <= c.document.size(); ++cut) {
            const std::size_t cuts[] = {cut};
            const auto split = compareScannerWithExpat(c.document, cuts);
            ASSERT_EQ(split.difference, "") << "cut at " << cut;
            ASSERT_EQ(split.scannerTookAll, c.plain) << "cut at " << cut;
        }
        std::vector<std::size_t> everyByte(c.document.size());
        std::iota(everyByte.begin(), everyByte.end(), std::size_t{0});
        const auto bytewise = compareScannerWithExpat(c.document, everyByte);
        EXPECT_EQ(bytewise.difference, "");
        EXPECT_EQ(bytewise.scannerTookAll, c.plain);
    }
}

// "]]>" split over pieces is still seen, with the brackets in one piece and '>' in the next.
TEST(PlainXmlScannerTest, SeesTheEndOfCdataAcrossPieces)
{
    const std::string document = kDeclaration + "<r>a]]>b</r>";
    const std::size_t bracket = document.find(']');
    for (const std::vector<std::size_t>& cuts :
         std::vector<std::vector<std::size_t>>{{bracket}, {bracket + 1}, {bracket + 2}, {bracket + 1, bracket + 2}}) {
        const auto result = compareScannerWithExpat(document, cuts);
        EXPECT_FALSE(result.scannerTookAll);
        EXPECT_EQ(result.difference, "");
    }
}

// Nesting: to the limit the scanner takes it; one deeper it declines before that element, and
// expat's stream gives the limit's message.
TEST(PlainXmlScannerTest, LeavesNestingBeyondTheLimitToExpat)
{
    const auto nested = [](int depth) {
        std::string document;
        for (int i = 0; i < depth; ++i) {
            document += "<e>";
        }
        for (int i = 0; i < depth; ++i) {
            document += "</e>";
        }
        return document;
    };
    const auto atLimit = compareScannerWithExpat(nested(8), {}, 8);
    EXPECT_TRUE(atLimit.scannerTookAll);
    EXPECT_EQ(atLimit.difference, "");
    const auto beyond = compareScannerWithExpat(nested(9), {}, 8);
    EXPECT_FALSE(beyond.scannerTookAll);
    EXPECT_FALSE(beyond.expatTookAll);
    EXPECT_EQ(beyond.difference, "");
}

// A tag that never ends is not held without bound: the scanner declines once it holds a
// mebibyte waiting for it.
TEST(PlainXmlScannerTest, DeclinesATagThatNeverEnds)
{
    test::XmlEventRecorder recorder;
    PlainXmlScanner scanner(recorder);
    const std::string start = "<r><c a=\"";
    ASSERT_TRUE(scanner.feed(start.data(), start.size()));
    const std::string filler(64 * 1024, 'x');
    bool taking = true;
    for (int i = 0; i < 20 && taking; ++i) {
        taking = scanner.feed(filler.data(), filler.size());
    }
    EXPECT_FALSE(taking);
}

// Long text is handed on as it comes, not held until its end.
TEST(PlainXmlScannerTest, HandsLongTextOnAsItComes)
{
    test::XmlEventRecorder recorder;
    PlainXmlScanner scanner(recorder);
    const std::string start = "<r>";
    ASSERT_TRUE(scanner.feed(start.data(), start.size()));
    const std::string filler(64 * 1024, 'x');
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(scanner.feed(filler.data(), filler.size()));
    }
    const std::string end = "</r>";
    ASSERT_TRUE(scanner.feed(end.data(), end.size()));
    EXPECT_TRUE(scanner.finish());
    ASSERT_EQ(recorder.events.size(), 3U);
    EXPECT_EQ(recorder.events[1].size(), 1 + 40 * filler.size());
}

// A handler's exception comes through the scanner, as it comes through expat.
TEST(PlainXmlScannerTest, PassesAHandlersExceptionOn)
{
    struct Refusing : XmlHandler {
        void startElement(const XmlName& name, const XmlAttributes&) override
        {
            if (name.local == "bad") {
                throw WorkbookError("refused");
            }
        }
        void endElement(const XmlName&) override {}
    } refusing;
    PlainXmlScanner scanner(refusing);
    const std::string document = "<r><bad/></r>";
    EXPECT_THROW((void)scanner.feed(document.data(), document.size()), WorkbookError);
}

} // namespace
} // namespace mervalon::spreadsheet
