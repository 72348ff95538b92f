#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "TextAndFolders.h"
#include "foundation/IniFile.h"
#include "foundation/UpgradeFileSet.h"

namespace {

// A save into a folder that cannot take the temporary file fails and leaves the original whole.
TEST(BadInputTest, SaveIntoReadOnlyFolderKeepsTheOriginal) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    TempDir dir;
    const std::string path = dir.file("s.ini");
    WriteFileBytes(path, "[S]\nK=1\n");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);
    const bool written = IniFile::WriteString(path, "S", "K", "2");
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFileText(path), "[S]\nK=1\n");
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"s.ini"});
}

// An unreadable upgrade file keeps its place in the list but serves nothing; its neighbour loads.
TEST(BadInputTest, UnreadableUpgradeFileStopsTheWholeSet) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads files whatever their mode";
    }
    ScopedLogDir logs;
    TempDir dir;
    for (const char* name : {"a.bin", "b.bin"}) {
        WriteFirmware(dir.file(name), std::string(700, 'x'));
    }
    ASSERT_EQ(::chmod(dir.file("a.bin").c_str(), 0), 0);
    UpgradeFileSet set;
    const bool loaded = set.LoadFolder(dir.path());
    ::chmod(dir.file("a.bin").c_str(), 0600);
    EXPECT_FALSE(loaded);
    // Not even the readable one is offered: the set is one unit.
    EXPECT_EQ(set.GetFileCount(), 0);
    ASSERT_EQ(set.Refusals().size(), 1u);
    EXPECT_EQ(set.Refusals()[0].problem, UpgradeFileProblem::kUnreadable);
    int length = 0;
    const std::uint8_t* data = nullptr;
    EXPECT_FALSE(set.GetPiece(1, 1, length, data));
}

}  // namespace
