#include "SpreadsheetTestSupport.h"
#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/Workbook.h"

#include <gtest/gtest.h>

namespace mervalon::spreadsheet {
namespace {

using test::fixtureDir;
using test::StreamSurgery;

Bytes survey()
{
    return test::readBytes(fixtureDir() / "biff8_survey.xls");
}

// A BIFF8 file whose workbook stream lies in regular sectors (4096 bytes and more), so that its
// FAT chain can be damaged.
Bytes largeSurvey(int rows = 400)
{
    Workbook book = Workbook::fromBytes(survey());
    for (int row = 1; row <= rows; ++row) {
        book.setNumber(3, row + 10, 1, row + 0.5);
    }
    return book.serialize();
}

// Reading everything a caller could ask for; the result tells whether it threw WorkbookError.
bool readsWithoutError(const Bytes& bytes, std::string* message = nullptr)
{
    try {
        const Workbook book = Workbook::fromBytes(bytes);
        for (int i = 1; i <= book.sheetCount(); ++i) {
            sheetRows(*book.sheet(i), 1);
        }
        return true;
    } catch (const WorkbookError& error) {
        if (message != nullptr) {
            *message = error.what();
        }
        return false;
    }
}

void expectError(const Bytes& bytes, const std::string& part)
{
    std::string message;
    ASSERT_FALSE(readsWithoutError(bytes, &message));
    EXPECT_NE(message.find(part), std::string::npos) << message;
}

std::size_t sectorOffset(std::uint32_t sector)
{
    return (std::size_t{sector} + 1) * 512;
}

// Offset in the file of the directory entry named `name` (the directory lies in sector 0x30).
std::size_t entryOffset(const Bytes& file, const std::u16string& name)
{
    std::uint32_t sector = loadU32(file.data() + 0x30);
    const std::uint32_t fatSector = loadU32(file.data() + 0x4C);
    while (sector < 0xFFFFFFFA) {
        for (std::size_t e = 0; e < 4; ++e) {
            const std::size_t at = sectorOffset(sector) + e * 128;
            bool same = true;
            for (std::size_t k = 0; k < name.size() && same; ++k) {
                same = loadU16(file.data() + at + 2 * k) == name[k];
            }
            if (same) {
                return at;
            }
        }
        sector = loadU32(file.data() + sectorOffset(fatSector) + 4 * sector);
    }
    ADD_FAILURE() << "no such entry";
    return 0;
}

TEST(BadInputTest, TruncatedFilesGiveErrorsNotCrashes)
{
    const Bytes whole = largeSurvey();
    for (const std::size_t length : {std::size_t{0}, std::size_t{7}, std::size_t{100}, std::size_t{511},
                                     std::size_t{512}, std::size_t{1024}, whole.size() / 2, whole.size() - 600}) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_FALSE(readsWithoutError(cut)) << length;
    }
    EXPECT_TRUE(readsWithoutError(whole));
}

TEST(BadInputTest, ALoopInTheSectorChainIsAnError)
{
    Bytes file = largeSurvey();
    const std::size_t entry = entryOffset(file, u"Workbook");
    const std::uint32_t start = loadU32(file.data() + entry + 0x74);
    const std::uint32_t fatSector = loadU32(file.data() + 0x4C);
    storeU32(file.data() + sectorOffset(fatSector) + 4 * start, start);
    expectError(file, "loop");
}

TEST(BadInputTest, ASectorPastTheEndOfTheFileIsAnError)
{
    Bytes file = largeSurvey();
    const std::size_t entry = entryOffset(file, u"Workbook");
    storeU32(file.data() + entry + 0x74, 0x00FFFFF0);
    expectError(file, "outside the file");
}

TEST(BadInputTest, AStreamSizeBeyondTheFileIsRefusedBeforeAllocating)
{
    Bytes file = largeSurvey();
    const std::size_t entry = entryOffset(file, u"Workbook");
    storeU32(file.data() + entry + 0x78, 0x7FFFFFF0);
    expectError(file, "larger than the file");
}

TEST(BadInputTest, AnImpossibleAllocationTableCountIsAnError)
{
    Bytes file = largeSurvey();
    storeU32(file.data() + 0x2C, 0x7FFFFFFF);
    expectError(file, "allocation table");
}

TEST(BadInputTest, ALoopInTheAllocationTableIndexIsAnError)
{
    Bytes file = largeSurvey(12000); // over 236 sectors: the header and one index sector are not enough
    ASSERT_GT(file.size() / 512, 300u);
    // Claim more FAT sectors than the header lists, in an index sector that names itself as next.
    storeU32(file.data() + 0x2C, 300);
    const std::uint32_t last = static_cast<std::uint32_t>(file.size() / 512 - 2);
    storeU32(file.data() + 0x44, last);
    storeU32(file.data() + 0x48, 1);
    storeU32(file.data() + sectorOffset(last) + 508, last);
    for (std::size_t i = 1; i < 109; ++i) {
        storeU32(file.data() + 0x4C + 4 * i, loadU32(file.data() + 0x4C));
    }
    for (std::size_t i = 0; i < 127; ++i) {
        storeU32(file.data() + sectorOffset(last) + 4 * i, loadU32(file.data() + 0x4C));
    }
    expectError(file, "looped");
}

TEST(BadInputTest, ALoopInTheDirectoryTreeIsAnError)
{
    Bytes file = survey();
    const std::size_t entry = entryOffset(file, u"Workbook");
    const std::size_t index = (entry % 512) / 128;
    storeU32(file.data() + entry + 0x44, static_cast<std::uint32_t>(index)); // its own left sibling
    expectError(file, "loop");
}

TEST(BadInputTest, ADirectoryPointerOutOfRangeIsAnError)
{
    Bytes file = survey();
    storeU32(file.data() + entryOffset(file, u"Workbook") + 0x48, 5000);
    expectError(file, "outside the directory");
}

TEST(BadInputTest, ALoopInAMiniStreamChainIsAnError)
{
    Bytes file = survey(); // its workbook stream is small enough for the mini stream
    const std::size_t entry = entryOffset(file, u"Workbook");
    const std::uint32_t start = loadU32(file.data() + entry + 0x74);
    const std::uint32_t miniFat = loadU32(file.data() + 0x3C);
    storeU32(file.data() + sectorOffset(miniFat) + 4 * start, start);
    expectError(file, "loop");
}

TEST(BadInputTest, AFileWithoutAWorkbookStreamIsNoWorkbook)
{
    Bytes file = survey();
    storeU16(file.data() + entryOffset(file, u"Workbook"), 'X');
    expectError(file, "no workbook stream");
}

TEST(BadInputTest, AnEncryptedWorkbookIsRefused)
{
    StreamSurgery s(survey());
    s.insert(20, record::kFilePass, Bytes(54, 0)); // right after the 16-byte globals BOF
    expectError(s.rebuilt(), "password");
}

TEST(BadInputTest, AStringReferenceOutOfRangeIsAnError)
{
    StreamSurgery s(survey());
    const std::size_t at = *s.find(record::kLabelSst);
    storeU32(s.stream.data() + at + 10, 1000000);
    expectError(s.rebuilt(), "shared string");
}

TEST(BadInputTest, ARecordPastTheEndOfTheStreamIsAnError)
{
    StreamSurgery s(survey());
    const std::size_t at = *s.find(record::kNumber);
    storeU16(s.stream.data() + at + 2, 0xFFF0);
    expectError(s.rebuilt(), "past the end");
}

TEST(BadInputTest, LyingDimensionsAllocateNothingAndTheCellsDecide)
{
    StreamSurgery s(survey());
    const std::size_t at = *s.find(record::kDimensions, 0x7A8);
    storeU32(s.stream.data() + at + 4, 0);
    storeU32(s.stream.data() + at + 8, 0x80000000u);
    storeU16(s.stream.data() + at + 14, 0xFFFF);
    const Workbook book = Workbook::fromBytes(s.rebuilt());
    EXPECT_EQ(book.sheet(1)->usedRange().rows, 4);
    EXPECT_EQ(book.sheet(1)->usedRange().columns, 4);
}

TEST(BadInputTest, StaleSheetPositionsAreFoundByScanning)
{
    StreamSurgery s(survey());
    for (std::size_t at = *s.find(record::kBoundSheet); loadU16(s.stream.data() + at) == record::kBoundSheet;
         at += 4 + std::size_t{loadU16(s.stream.data() + at + 2)}) {
        storeU32(s.stream.data() + at + 4, loadU32(s.stream.data() + at + 4) + 7);
    }
    const Workbook book = Workbook::fromBytes(s.rebuilt());
    ASSERT_EQ(book.sheetCount(), 3);
    EXPECT_EQ(book.sheet(1)->cell(2, 2)->text, "P1");
    EXPECT_EQ(book.sheet(3)->cell(2, 8)->number, 7.5);
}

TEST(BadInputTest, MissingEofAndTrailingGarbageAreTolerated)
{
    StreamSurgery s(survey());
    s.stream.resize(s.stream.size() - 4); // the last sheet's EOF
    EXPECT_TRUE(readsWithoutError(s.rebuilt()));
    StreamSurgery t(survey());
    t.stream.insert(t.stream.end(), 700, 0);
    t.stream.insert(t.stream.end(), {0x12, 0x34, 0xFF});
    EXPECT_TRUE(readsWithoutError(t.rebuilt()));
}

TEST(BadInputTest, OldAndUnknownVersionsAreRefused)
{
    StreamSurgery s(survey());
    storeU16(s.stream.data() + 4, 0x0400);
    expectError(s.rebuilt(), "not supported");
    StreamSurgery t(survey());
    storeU16(t.stream.data(), record::kOldBof4);
    expectError(t.rebuilt(), "Excel 4");
}

TEST(BadInputTest, ALyingStringCountReadsTheStringsThatExist)
{
    StreamSurgery s(survey());
    const std::size_t at = *s.find(record::kSst);
    storeU32(s.stream.data() + at + 8, 0xFFFFFFFF);
    const Workbook book = Workbook::fromBytes(s.rebuilt());
    EXPECT_EQ(book.sheet(1)->cell(2, 2)->text, "P1");
}

TEST(BadInputTest, AStringLongerThanItsDataIsAnError)
{
    StreamSurgery s(survey());
    const std::size_t at = *s.find(record::kSst);
    storeU16(s.stream.data() + at + 12, 0x7FFF); // the first string's length
    expectError(s.rebuilt(), "shorter than its contents");
}

TEST(BadInputTest, AMulRkShorterThanItsColumnRangeReadsWhatItHolds)
{
    MERVALON_REQUIRE_PEER(test::generatedFixtures(), "python3-xlwt");
    StreamSurgery s(test::readBytes(*test::generatedFixtures() / "kinds.xls"));
    const std::size_t at = *s.find(record::kMulRk);
    const std::uint16_t length = loadU16(s.stream.data() + at + 2);
    storeU16(s.stream.data() + at + 4 + length - 2, 200); // colLast far beyond the items
    const Workbook book = Workbook::fromBytes(s.rebuilt());
    EXPECT_EQ(book.sheet(1)->cell(3, 6)->number, 500);
    EXPECT_EQ(book.sheet(1)->cell(3, 7), nullptr);
}

} // namespace
} // namespace mervalon::spreadsheet
