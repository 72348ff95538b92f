// The upgrade file set and what only POSIX systems have: links to folders and file modes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "foundation/FileHelpers.h"
#include "foundation/UpgradeFileSet.h"

namespace {

namespace fs = std::filesystem;

TEST(UpgradeFileSetTest, UnreadableFolderEntriesAndLinkLoops) {
    ScopedLogDir logs;
    TempDir dir;
    fs::create_directories(dir.file("sub"));
    WriteFirmware(dir.file("sub/boot.bin"), std::string(10, 'p'));
    fs::create_directory_symlink(dir.path(), dir.file("sub/loop"));
    fs::create_directory_symlink(dir.file("sub"), dir.file("again"));
    std::vector<std::string> listed;
    ListFiles(true, dir.path(), listed);
    EXPECT_EQ(listed.size(), 2u);

    UpgradeFileSet set;
    ASSERT_TRUE(set.LoadFolder(dir.path()));
    EXPECT_EQ(set.GetFileCount(), 1);

    // A file without read permission fails its load (root reads everything, so only check the
    // outcome agrees with what the file system allows).
    WriteFirmware(dir.file("locked.bin"), std::string(10, 'p'));
    fs::permissions(dir.file("locked.bin"), fs::perms::none);
    std::size_t size = 0;
    bool readable = ReadWholeFile(dir.file("locked.bin"), size).has_value();
    ASSERT_TRUE(set.LoadFolder(dir.path()));
    EXPECT_EQ(set.GetPieceCount(1), readable ? 1 : 0);
    fs::permissions(dir.file("locked.bin"), fs::perms::owner_all);
}

}  // namespace
