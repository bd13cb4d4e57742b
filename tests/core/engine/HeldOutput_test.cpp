// A file held whole until it is closed, whose beginning is completed at its end (a drawing by
// code library: its layers and blocks are known only once its entities are).
#include "EngineTestSupport.h"
#include "core/engine/OutputFile.h"

#include <gtest/gtest.h>
#include <string>

using mervalon::engine::OutputFile;
using mervalon::enginetest::TempFolderTest;

namespace {

class HeldOutputTest : public TempFolderTest {};

} // namespace

TEST_F(HeldOutputTest, NothingIsWrittenBeforeCloseAndInsertsLandWhereNoted)
{
    const auto path = pathOf("held.dxf");
    OutputFile file;
    ASSERT_TRUE(file.open(path, OutputFile::Placement::InPlace));
    file.holdUntilClose();
    file.append("head\n3\n");
    const std::size_t afterHead = file.buffered();
    // More than the buffer's threshold: a file not held would have been written out by now.
    const std::string body(3 << 20, 'x');
    for (std::size_t i = 0; i < body.size(); i += 4096) {
        file.append(std::string_view(body).substr(i, 4096));
        file.flushIfFull();
    }
    file.append("\nend\n");
    EXPECT_EQ(readFile(path), "");
    file.replaceHeld(afterHead, 0, "inserted\n");
    file.replaceHeld(5, 2, "42\n"); // a count that grows by a digit
    file.replaceHeld(0, 0, "");
    ASSERT_TRUE(file.close());
    EXPECT_EQ(readFile(path), "head\n42\ninserted\n" + body + "\nend\n");
}

TEST_F(HeldOutputTest, ReplacingMayShrinkAndAPlaceBeyondTheEndChangesNothing)
{
    const auto path = pathOf("held.txt");
    OutputFile file;
    ASSERT_TRUE(file.open(path, OutputFile::Placement::Beside));
    file.holdUntilClose();
    file.append("abcdef");
    file.replaceHeld(1, 3, "X");
    file.replaceHeld(7, 0, "beyond");
    file.replaceHeld(2, 9, "too long");
    ASSERT_TRUE(file.close());
    EXPECT_EQ(readFile(path), "aXef");
}

TEST_F(HeldOutputTest, ANewFileIsNotHeld)
{
    const auto path = pathOf("again.txt");
    OutputFile file;
    ASSERT_TRUE(file.open(pathOf("first.txt"), OutputFile::Placement::InPlace));
    file.holdUntilClose();
    file.discard();
    ASSERT_TRUE(file.open(path, OutputFile::Placement::InPlace));
    file.append(std::string(2 << 20, 'y'));
    file.flushIfFull();
    EXPECT_EQ(readFile(path).size(), std::size_t{2 << 20});
    ASSERT_TRUE(file.close());
}
