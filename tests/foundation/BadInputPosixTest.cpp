#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "TextAndFolders.h"
#include "foundation/IniFile.h"
#include "foundation/UpgradeFileSet.h"

namespace {

namespace fs = std::filesystem;

// A save that cannot complete leaves what was there whole and no temporary file behind. The
// faults stop root too: a folder where the file is expected, a plain file where its folder is.
TEST(BadInputTest, FailedSaveLeavesWhatWasThere) {
    struct Case {
        const char* name;
        const char* target;
    };
    for (const Case& c : {Case{"a folder in the file's place", "s.ini"},
                          Case{"a plain file in the folder's place", "plain/s.ini"}}) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        fs::create_directories(dir.file("s.ini"));
        WriteFileBytes(dir.file("s.ini/kept"), "[S]\nK=1\n");
        WriteFileBytes(dir.file("plain"), "[S]\nK=1\n");
        EXPECT_FALSE(IniFile::WriteString(dir.file(c.target), "S", "K", "2"));
        EXPECT_EQ(ReadFileText(dir.file("s.ini/kept")), "[S]\nK=1\n");
        EXPECT_EQ(ReadFileText(dir.file("plain")), "[S]\nK=1\n");
        std::vector<std::string> entries = FolderEntries(dir.path());
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(entries, (std::vector<std::string>{"plain", "s.ini"}));
        EXPECT_EQ(FolderEntries(dir.file("s.ini")), std::vector<std::string>{"kept"});
    }
}

// An unreadable upgrade file keeps its place in the list but serves nothing; its neighbour loads.
// A link to this process's own memory reads as a regular file whose first byte fails with an I/O
// error, for root as for anyone.
TEST(BadInputTest, UnreadableUpgradeFileStopsTheWholeSet) {
    ScopedLogDir logs;
    TempDir dir;
    WriteFirmware(dir.file("b.bin"), std::string(700, 'x'));
    WriteFirmware(dir.file("a.bin"), std::string(700, 'x'));
    fs::remove(dir.file("a.bin"));
    fs::create_symlink("/proc/self/mem", dir.file("a.bin"));
    UpgradeFileSet set;
    EXPECT_FALSE(set.LoadFolder(dir.path()));
    // Not even the readable one is offered: the set is one unit.
    EXPECT_EQ(set.GetFileCount(), 0);
    ASSERT_EQ(set.Refusals().size(), 1u);
    EXPECT_EQ(set.Refusals()[0].problem, UpgradeFileProblem::kUnreadable);
    int length = 0;
    const std::uint8_t* data = nullptr;
    EXPECT_FALSE(set.GetPiece(1, 1, length, data));
}

}  // namespace
