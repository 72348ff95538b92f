// Our INI reading against Windows' own, on the same files.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "IniReadCases.h"
#include "TempDir.h"
#include "foundation/IniFile.h"
#include "platform/CodePage.h"
#include "platform/Utf8Path.h"

namespace {

std::wstring Wide(const std::string& utf8) {
    WString units;
    AnsiToUtf16(utf8.c_str(), units);
    return std::wstring(units.begin(), units.end());
}

std::string WindowsReads(const std::string& path, const char* section, const char* key) {
    wchar_t buffer[256] = {};
    GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(kIniMissing).c_str(),
                             buffer, 256, PathFromUtf8(path).wstring().c_str());
    return Utf16ToAnsi(WString(buffer, buffer + wcslen(buffer)));
}

TEST(IniFileWin32Test, ReadsWhatWindowsReads) {
    TempDir dir;
    for (const IniReadCase& c : kIniReadCases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("case.ini");
        WriteFileBytes(path, c.file);
        EXPECT_EQ(IniFile::ReadString(path, c.section, c.key, kIniMissing, 256),
                  WindowsReads(path, c.section, c.key));
    }
}

// A read-only settings file is not replaced behind its owner's back, and stays as it was.
TEST(IniFileWin32Test, ReadOnlyFileIsNotReplaced) {
    TempDir dir;
    const std::string path = dir.file("ro.ini");
    WriteFileBytes(path, "[S]\nK=1\n");
    const std::wstring name = PathFromUtf8(path).wstring();
    ASSERT_TRUE(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(IniFile::WriteString(path, "S", "K", "2"));
    SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileText(path), "[S]\nK=1\n");
}

}  // namespace
