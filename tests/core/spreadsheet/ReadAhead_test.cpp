// Bytes made on a thread of their own ahead of their consumer (ReadAhead, how a large zip part is
// unpacked): all of them in order, an error after exactly the bytes before it, and a consumer that
// stops early (or throws) ends the producer cleanly.
#include "core/spreadsheet/ReadAhead.h"
#include "core/spreadsheet/WorkbookError.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>

namespace mervalon::spreadsheet {
namespace {

// The byte at `offset` of a test stream: not periodic in any buffer or piece size used here.
char byteAt(std::size_t offset)
{
    return static_cast<char>((offset * 7919 + offset / 251) & 0xFF);
}

// Makes `total` bytes in pieces of at most `most` bytes (fewer than asked for at times, as an
// inflater gives), throwing `error` instead of going on once `failAt` bytes are made.
struct TestProducer {
    std::size_t total = 0;
    std::size_t most = 1000;
    std::size_t failAt = SIZE_MAX;
    std::string error;
    std::atomic<std::size_t>* calls = nullptr;
    std::size_t made = 0;

    std::size_t operator()(char* into, std::size_t size)
    {
        if (calls != nullptr) {
            ++*calls;
        }
        if (made >= failAt) {
            throw WorkbookError(error);
        }
        const std::size_t n = std::min({size, most - made % 7, total - made, failAt - made});
        for (std::size_t i = 0; i < n; ++i) {
            into[i] = byteAt(made + i);
        }
        made += n;
        return n;
    }
};

std::string expected(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = byteAt(i);
    }
    return bytes;
}

struct Layout {
    std::size_t buffers;
    std::size_t bufferSize;
    std::size_t pieceSize;
};

constexpr Layout kLayouts[] = {{4, 256 << 10, 64 << 10}, {1, 100, 100}, {2, 1000, 300}, {3, 999, 1000}};

TEST(ReadAheadTest, EveryByteComesInOrder)
{
    for (const Layout& layout : kLayouts) {
        for (const std::size_t total : {std::size_t{0}, std::size_t{1}, std::size_t{999}, std::size_t{1000},
                                        std::size_t{1001}, std::size_t{3} << 20}) {
            SCOPED_TRACE(std::to_string(layout.bufferSize) + " bytes a buffer, " + std::to_string(total) + " in all");
            TestProducer producer;
            producer.total = total;
            producer.most = 70000;
            ReadAhead ahead(producer, layout.buffers, layout.bufferSize, layout.pieceSize);
            std::string got;
            for (std::span<const char> bytes = ahead.next(); !bytes.empty(); bytes = ahead.next()) {
                EXPECT_LE(bytes.size(), std::max(layout.bufferSize, layout.pieceSize));
                got.append(bytes.data(), bytes.size());
            }
            EXPECT_TRUE(got == expected(total)) << got.size() << " bytes";
            EXPECT_TRUE(ahead.next().empty());
        }
    }
}

TEST(ReadAheadTest, AnErrorComesAfterTheBytesMadeBeforeIt)
{
    for (const Layout& layout : kLayouts) {
        for (const std::size_t failAt : {std::size_t{0}, std::size_t{500}, std::size_t{1000}, std::size_t{123457}}) {
            SCOPED_TRACE(std::to_string(layout.bufferSize) + " bytes a buffer, failing at " + std::to_string(failAt));
            TestProducer producer;
            producer.total = 1u << 20;
            producer.failAt = failAt;
            producer.error = "The workbook file is damaged: its part \"x.xml\" cannot be unpacked (CRC error).";
            ReadAhead ahead(producer, layout.buffers, layout.bufferSize, layout.pieceSize);
            std::string got;
            std::string message = "<no error>";
            try {
                for (std::span<const char> bytes = ahead.next(); !bytes.empty(); bytes = ahead.next()) {
                    got.append(bytes.data(), bytes.size());
                }
            } catch (const WorkbookError& error) {
                message = error.what();
            }
            EXPECT_EQ(message, producer.error);
            EXPECT_TRUE(got == expected(failAt)) << got.size() << " bytes";
        }
    }
}

// The consumer may stop at any point (a preview wants a few rows, the user stops, the parser
// finds the XML damaged): the producer, waiting for room or still making, ends and is joined.
TEST(ReadAheadTest, AConsumerThatStopsEndsTheProducer)
{
    for (const int taken : {0, 1, 2, 50}) {
        SCOPED_TRACE(taken);
        std::atomic<std::size_t> calls{0};
        {
            TestProducer producer;
            producer.total = SIZE_MAX; // endless
            producer.calls = &calls;
            ReadAhead ahead(producer, 2, 1000, 100);
            for (int i = 0; i < taken; ++i) {
                ASSERT_FALSE(ahead.next().empty());
            }
        }
        // At most the buffers ahead (and one piece more) are made beyond what was taken.
        EXPECT_LE(calls.load(), static_cast<std::size_t>(taken + 3) * 10 + 1);
    }
    // A consumer that throws while it holds a buffer.
    std::atomic<std::size_t> calls{0};
    EXPECT_THROW(
        {
            TestProducer producer;
            producer.total = SIZE_MAX;
            producer.calls = &calls;
            ReadAhead ahead(producer, 4, 256 << 10, 64 << 10);
            ahead.next();
            throw WorkbookError("The workbook file is damaged: the sheet is not well-formed XML.");
        },
        WorkbookError);
    EXPECT_GT(calls.load(), 0u);
}

} // namespace
} // namespace mervalon::spreadsheet
