// The upgrade file set and what only Windows has: hidden and system attributes.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>

#include "TempDir.h"
#include "UpgradeNameFields.h"
#include "foundation/UpgradeFileSet.h"
#include "platform/Utf8Path.h"

namespace {

// False when the file system does not keep the attributes (then there is nothing to test).
bool Mark(const std::string& path, DWORD attributes) {
    const std::wstring name = PathFromUtf8(path).wstring();
    return ::SetFileAttributesW(name.c_str(), attributes) &&
           (::GetFileAttributesW(name.c_str()) & attributes) == attributes;
}

TEST(UpgradeFileSetWin32Test, HiddenAndSystemEntriesArePassedOverSilently) {
    ScopedLogDir logs;
    TempDir dir;
    WriteFirmware(dir.file("fw.bin"), "firmware");
    WriteFirmware(dir.file("hidden.bin"), "a copy nobody sees");
    WriteFileBytes(dir.file("system.bin"), "x");
    WriteFileBytes(dir.file("system.bin.md5"), std::string(32, '0'));  // would be refused
    std::filesystem::create_directories(PathFromUtf8(dir.file("RECYCLER/S-1-5")));
    WriteFirmware(dir.file("RECYCLER/S-1-5/old.bin"), "deleted firmware");
    if (!Mark(dir.file("hidden.bin"), FILE_ATTRIBUTE_HIDDEN) ||
        !Mark(dir.file("system.bin"), FILE_ATTRIBUTE_SYSTEM) ||
        !Mark(dir.file("RECYCLER"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
        GTEST_SKIP() << "this file system keeps no hidden or system attributes";
    }
    UpgradeFileSet set;
    ASSERT_TRUE(set.LoadFolder(dir.path()));
    EXPECT_EQ(set.GetFileCount(), 1);
    EXPECT_TRUE(set.Ignored().empty());
    EXPECT_TRUE(set.Refusals().empty());
}

}  // namespace

TEST(UpgradeFileSetWin32Test, NamesInTheFileSystemsOrder) {
    // As NTFS keeps them and Explorer lists them: letter case does not count, Chinese after
    // Latin letters.
    const std::string upgrade = "\xE5\x8D\x87\xE7\xBA\xA7\xE5\x8C\x85.bin";  // 升级包.bin
    ScopedLogDir logs;
    TempDir dir;
    for (const std::string& name : {std::string("app.bin"), upgrade, std::string("Boot.bin")}) {
        WriteFirmware(dir.file(name), name);
    }
    UpgradeFileSet set;
    ASSERT_TRUE(set.LoadFolder(dir.path()));
    const std::vector<std::string> names = NameFields(set);
    ASSERT_EQ(names.size(), 3u) << set.Refusals().size() << " refused, " << set.Ignored().size()
                                << " ignored";
    EXPECT_EQ(names[0], "app.bin");
    EXPECT_EQ(names[1], "Boot.bin");
    // The Chinese name is written in the ANSI code page: CodePageWin32Test checks its bytes.
    EXPECT_FALSE(names[2].empty());
}
