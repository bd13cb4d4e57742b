#include "core/codes/PointCodes.h"

#include <gtest/gtest.h>
#include <string>

using mervalon::codes::CodeLibrary;
using mervalon::codes::Control;
using mervalon::codes::readPointCodes;

namespace {

const CodeLibrary& library()
{
    static const CodeLibrary codes = CodeLibrary::read("code,layer,line\n"
                                                       "EP*,EDGE,3d\n"
                                                       "KERB,KERB,3d\n"
                                                       "BLD,BUILDING,3d\n"
                                                       "TREE,VEG,none\n"
                                                       "A1,ANTENNA,none\n"
                                                       "*,OTHER,none\n",
                                                       {});
    return codes;
}

// A point's features as "FEATURE#INSTANCE:LAYER[!]{controls}" with ! for an unknown code.
std::string describe(const std::string& text)
{
    const auto codes = readPointCodes(library(), text);
    std::string out;
    for (const auto& use : codes.features) {
        out += out.empty() ? "" : " ";
        out += use.feature + "#" + use.instance + ":" + (use.row != nullptr ? use.row->layer : "-");
        out += use.unknown ? "!" : "";
        for (const auto& [control, letter] :
             {std::pair{Control::Begin, 'b'}, std::pair{Control::End, 'e'}, std::pair{Control::Close, 'c'},
              std::pair{Control::NoJoin, 'n'}, std::pair{Control::ArcBegin, 'a'}, std::pair{Control::ArcEnd, 'z'}}) {
            if (use.has(control)) {
                out += letter;
            }
        }
    }
    for (const auto& stray : codes.strayControls) {
        out += " stray:" + stray;
    }
    return out;
}

} // namespace

TEST(PointCodes, TokensControlsInstancesAndComments)
{
    const struct {
        const char* text;
        const char* features;
    } cases[] = {
        {"", ""},
        {"   ", ""},
        {"TREE", "TREE#:VEG"},
        {"tree", "TREE#:VEG"},
        {"EP1 B", "EP#1:EDGEb"},
        {"EP1 b KERB2 e", "EP#1:EDGEb KERB#2:KERBe"},
        {"EP12\tC", "EP#12:EDGEc"},
        {"EP", "EP#:EDGE"},   // the pattern itself, no instance
        {"EPA", "EPA#:EDGE"}, // a code of the pattern is its own feature
        {"KERB NJ", "KERB#:KERBn"},
        {"KERB BC", "KERB#:KERBa"},
        {"KERB3 EC E", "KERB#3:KERBez"},
        {"A1", "A1#:ANTENNA"}, // an exact row wins over an instance of A
        {"BLD C / corner of the shed", "BLD#:BUILDINGc"},
        {"TREE /oak", "TREE#:VEG"}, // the comment word may stand before the text
        {"/ TREE", ""},
        {"XY1 B", "XY1#:OTHER!b"}, // no row for XY: the whole code is unknown
        {"B TREE", "TREE#:VEG stray:B"},
        {"BLD  KERB  TREE", "BLD#:BUILDING KERB#:KERB TREE#:VEG"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(describe(c.text), c.features);
    }
}

TEST(PointCodes, UnknownCodeWithoutDefaultHasNoRow)
{
    const CodeLibrary noDefault = CodeLibrary::read("code,layer\nTREE,VEG\n", {});
    const auto codes = readPointCodes(noDefault, "MH5 TREE");
    ASSERT_EQ(codes.features.size(), 2U);
    EXPECT_EQ(codes.features[0].row, nullptr);
    EXPECT_TRUE(codes.features[0].unknown);
    EXPECT_EQ(codes.features[0].feature, "MH5");
    EXPECT_EQ(codes.features[1].row->layer, "VEG");
    EXPECT_FALSE(codes.features[1].unknown);
}
