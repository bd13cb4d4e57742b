#include "EngineTestSupport.h"
#include "core/engine/OutputFile.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

using mervalon::engine::OutputFile;
using mervalon::enginetest::TempFolderTest;

namespace {

namespace fs = std::filesystem;

class OutputFileTest : public TempFolderTest {
  protected:
    // A file as a writer killed an hour ago leaves it.
    fs::path leftOver(const std::string& name) const
    {
        const fs::path path = writeFile(name, "  0\r\nSECTION\r\n");
        const utimbuf anHourAgo{std::time(nullptr) - 3600, std::time(nullptr) - 3600};
        ::utime(path.c_str(), &anHourAgo);
        return path;
    }
};

// Killed runs leave their unfinished drawings; a later run takes exactly those whose writers
// are gone, and nothing a living writer or the user owns.
TEST_F(OutputFileTest, LeftoversOfWritersThatAreGoneAreRemovedAndNothingElse)
{
    const fs::path killed = leftOver(".site.dxf.4000000-1.part");
    const fs::path killedToo = leftOver(".other site.dxf.77-12.part");
    const fs::path usersOwn = leftOver("site.dxf.12-1.part"); // not hidden: not one of ours
    const fs::path notANumber = leftOver(".site.dxf.12-x.part");
    const fs::path noProcess = leftOver(".site.dxf.-1.part");
    fs::create_symlink(killed.string() + ".target", pathOf(".link.dxf.5-1.part"));
    // A writer at work: its file is locked while it lives, however old it looks.
    OutputFile living;
    ASSERT_TRUE(living.open(pathOf("busy.dxf"), OutputFile::Placement::Beside));
    living.append("  0\r\nSECTION\r\n");
    ASSERT_TRUE(living.flush());
    const fs::path busy = OutputFile::temporaryNameFor(pathOf("busy.dxf"), 1);
    const utimbuf anHourAgo{std::time(nullptr) - 3600, std::time(nullptr) - 3600};
    ASSERT_EQ(::utime(busy.c_str(), &anHourAgo), 0);
    // A writer that has only just made its file may not have locked it yet: left alone too.
    const fs::path fresh = writeFile(".fresh.dxf.4000001-1.part", "");

    EXPECT_EQ(OutputFile::removeLeftovers(m_dir), 2u);

    EXPECT_FALSE(fs::exists(killed));
    EXPECT_FALSE(fs::exists(killedToo));
    for (const fs::path& kept : {usersOwn, notANumber, noProcess, busy, fresh}) {
        EXPECT_TRUE(fs::exists(kept)) << kept;
    }
    EXPECT_TRUE(fs::is_symlink(pathOf(".link.dxf.5-1.part")));
    EXPECT_TRUE(living.close());
    EXPECT_EQ(readFile(pathOf("busy.dxf")), "  0\r\nSECTION\r\n");
    EXPECT_EQ(OutputFile::removeLeftovers(pathOf("absent folder")), 0u);
}

// The drawing's file beside is made exclusively: a link planted under its name is not
// followed, and a write-protected drawing is refused even to the administrator.
TEST_F(OutputFileTest, TheFileBesideIsNeverALinkAndAProtectedDrawingIsKept)
{
    const fs::path outside = writeFile("outside.txt", "not yours");
    fs::create_symlink(outside, OutputFile::temporaryNameFor(pathOf("site.dxf"), 1));
    OutputFile file;
    ASSERT_TRUE(file.open(pathOf("site.dxf"), OutputFile::Placement::Beside));
    file.append("drawing");
    ASSERT_TRUE(file.close());
    EXPECT_EQ(readFile(pathOf("site.dxf")), "drawing");
    EXPECT_EQ(readFile(outside), "not yours");

    const fs::path protectedDrawing = writeFile("protected.dxf", "older");
    ASSERT_EQ(::chmod(protectedDrawing.c_str(), 0444), 0);
    OutputFile refused;
    EXPECT_FALSE(refused.open(protectedDrawing, OutputFile::Placement::Beside));
    EXPECT_EQ(refused.errorNumber(), EACCES);
    EXPECT_EQ(readFile(protectedDrawing), "older");
}

} // namespace
