// Whatever bytes a library, a point's code text or a symbol file hold, reading them either
// succeeds or throws the reader's own error: never a crash, a hang or another exception.
#include "core/codes/CodeLibrary.h"
#include "core/codes/Linework.h"
#include "core/codes/PointCodes.h"
#include "core/codes/SymbolLibrary.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

using mervalon::codes::blockDefinition;
using mervalon::codes::CodeLibrary;
using mervalon::codes::CodeLibraryError;
using mervalon::codes::LinePoint;
using mervalon::codes::LineworkBuilder;
using mervalon::codes::readPointCodes;
using mervalon::codes::SymbolFileError;

namespace {

const std::string kLibrary = "\xEF\xBB\xBF"
                             "code;layer;colour;symbol;line;labels;notes\r\n"
                             "EP*;EDGE;5;;3d;number+elevation;\"a; b\"\r\n"
                             "BLD;BUILDING;2;TREE;2d;;\r\n"
                             "*;OTHER;8;none;none;;\r\n"
                             "!begin;B ST;;;;;\r\n"
                             "!comment;/;;;;;\r\n";

const std::string kSymbol = "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  2\nX\n  0\nLINE\n  8\n0\n 10\n0\n 11\n1\n"
                            "  0\nENDBLK\n  0\nENDSEC\n  0\nEOF\n";

// A copy of `text` with a few bytes changed, removed, doubled or put in.
std::string mutated(const std::string& text, std::mt19937& random)
{
    std::string out = text;
    const char alphabet[] = {';', ',', '"', '\n', '\r', '*', '!', ' ', '0', '9', 'B', 'E', '\0', '\xFF', '+', '/'};
    const int changes = std::uniform_int_distribution<int>(1, 6)(random);
    for (int i = 0; i < changes && !out.empty(); ++i) {
        const std::size_t at = std::uniform_int_distribution<std::size_t>(0, out.size() - 1)(random);
        const char c = random() % 3 == 0 ? static_cast<char>(random() & 0xFF) : alphabet[random() % sizeof(alphabet)];
        switch (random() % 4) {
        case 0:
            out[at] = c;
            break;
        case 1:
            out.erase(at, 1 + random() % 4);
            break;
        case 2:
            out.insert(at, 1, c);
            break;
        default:
            out.insert(at, out.substr(at, 1 + random() % 8));
            break;
        }
    }
    return out;
}

} // namespace

TEST(HostileInput, MangledLibrariesCodesAndSymbolsAreReadOrRefused)
{
    std::mt19937 random(20261210);
    const CodeLibrary base = CodeLibrary::read(kLibrary, [](std::string_view name) { return name == "TREE"; });
    std::size_t read = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::string library = mutated(kLibrary, random);
        try {
            const CodeLibrary mangled = CodeLibrary::read(library, [](std::string_view) { return true; });
            ++read;
            LineworkBuilder builder([](mervalon::codes::Line&&) {});
            for (int point = 0; point < 5; ++point) {
                const std::string codes = mutated("EP1 B BLD C / x EP22 BC EC", random);
                builder.add(readPointCodes(mangled, codes), LinePoint{1.0 * point, 2.0 * (point % 2), 0, "", "", ""},
                            static_cast<std::size_t>(point + 1));
                builder.add(readPointCodes(base, codes), LinePoint{-1.0 * point, 1e9, 0, "", "", ""},
                            static_cast<std::size_t>(point + 1));
            }
            builder.finish();
        } catch (const CodeLibraryError&) {
        }
        try {
            blockDefinition("X", mutated(kSymbol, random), "X.dxf");
        } catch (const SymbolFileError&) {
        }
    }
    EXPECT_GT(read, 100U); // the mangling leaves enough libraries readable to drive the rest
}
