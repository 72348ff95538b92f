// The upgrade file set and what only POSIX systems have: links to folders, file modes and
// hidden names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "UpgradeNameFields.h"
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

    // A file that cannot be read, even by root (a link to this process's memory, whose first
    // byte fails with an I/O error), stops the set.
    WriteFirmware(dir.file("locked.bin"), std::string(10, 'p'));
    fs::remove(dir.file("locked.bin"));
    fs::create_symlink("/proc/self/mem", dir.file("locked.bin"));
    EXPECT_FALSE(set.LoadFolder(dir.path()));
    EXPECT_EQ(set.GetFileCount(), 0);
    ASSERT_EQ(set.Refusals().size(), 1u);
    EXPECT_EQ(FileNameOf(set.Refusals()[0].path), "locked.bin");
    EXPECT_EQ(set.Refusals()[0].problem, UpgradeFileProblem::kUnreadable);
}

TEST(UpgradeFileSetTest, HiddenEntriesArePassedOverSilently) {
    ScopedLogDir logs;
    // The chosen folder itself may be hidden; what is hidden inside it is no firmware.
    TempDir dir(".zr40hidden-");
    WriteFirmware(dir.file("fw.bin"), "firmware");
    WriteFirmware(dir.file(".fw.bin.swp"), "an editor's copy");
    WriteFileBytes(dir.file(".DS_Store"), "finder");
    fs::create_directories(dir.file(".Trash-1000/files"));
    WriteFirmware(dir.file(".Trash-1000/files/old.bin"), "deleted firmware");
    WriteFileBytes(dir.file(".Trash-1000/files/damaged.bin"), "x");
    WriteFileBytes(dir.file(".Trash-1000/files/damaged.bin.md5"), std::string(32, '0'));
    UpgradeFileSet set;
    ASSERT_TRUE(set.LoadFolder(dir.path()));
    EXPECT_EQ(set.GetFileCount(), 1);
    EXPECT_TRUE(set.Ignored().empty());
    EXPECT_TRUE(set.Refusals().empty());
}

}  // namespace

TEST(UpgradeFileSetTest, Utf8NamesInByteOrderAndCutBetweenCharacters) {
    // The byte order of the names: capitals before small letters, Chinese after both.
    const std::string upgrade = "\xE5\x8D\x87\xE7\xBA\xA7\xE5\x8C\x85.bin";  // 升级包.bin
    {
        ScopedLogDir logs;
        TempDir dir;
        for (const std::string& name : {std::string("app.bin"), upgrade, std::string("Boot.bin")}) {
            WriteFirmware(dir.file(name), name);
        }
        UpgradeFileSet set;
        ASSERT_TRUE(set.LoadFolder(dir.path()));
        EXPECT_EQ(NameFields(set), (std::vector<std::string>{"Boot.bin", "app.bin", upgrade}));
    }
    // 2-byte and 3-byte UTF-8 characters placed so that byte 127 falls inside a character.
    const std::string twoByte = "\xC3\xA9";        // é
    const std::string threeByte = "\xE5\x8D\x87";  // 升
    const std::pair<std::string, std::string> cases[] = {
        {std::string(126, 'd') + twoByte + "x", std::string(126, 'd')},
        {std::string(125, 'e') + twoByte + "x", std::string(125, 'e') + twoByte},
        {std::string(125, 'f') + threeByte, std::string(125, 'f')},
        {std::string(124, 'g') + threeByte + "x", std::string(124, 'g') + threeByte},
    };
    for (const auto& [name, field] : cases) {
        ScopedLogDir logs;
        TempDir dir;
        WriteFirmware(dir.file(name), "x");
        UpgradeFileSet set;
        ASSERT_TRUE(set.LoadFolder(dir.path()));
        EXPECT_EQ(NameFields(set), std::vector<std::string>{field}) << name.size();
    }
}
