// What keeps the access point's key from other local users on Linux: the private file it is
// handed over in, and nmcli found only in the system folders.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "TempDir.h"
#include "platform/HostedNetworkNmcli.h"
#include "platform/PrivateTempFile.h"

namespace {

int Mode(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

TEST(PosixPrivateFilesTest, KeyFileIsTheUsersAloneAndGoesAway) {
    std::string path;
    std::string folder;
    {
        const PrivateTempFile file("psk", "802-11-wireless-security.psk:QPLMRTXW\n");
        path = file.Path();
        ASSERT_FALSE(path.empty());
        folder = path.substr(0, path.rfind('/'));
        EXPECT_EQ(ReadFileText(path), "802-11-wireless-security.psk:QPLMRTXW\n");
        EXPECT_EQ(Mode(path), 0600);
        EXPECT_EQ(Mode(folder), 0700);
    }
    EXPECT_EQ(Mode(path), -1);
    EXPECT_EQ(Mode(folder), -1);
}

TEST(PosixPrivateFilesTest, ProgramIsFoundOnlyAsAnExecutableInTheFoldersGiven) {
    TempDir dir;
    WriteFileBytes(dir.file("plain"), "x");
    WriteFileBytes(dir.file("tool"), "#!/bin/sh\n");
    ::chmod(dir.file("tool").c_str(), 0755);
    struct Case {
        std::vector<std::string> folders;
        const char* name;
        std::string found;
    } const cases[] = {
        {{"/nonexistent", dir.path()}, "tool", dir.file("tool")},
        {{dir.path()}, "plain", ""},  // not executable
        {{"/nonexistent"}, "tool", ""},
        {{}, "tool", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindProgramIn(c.folders, c.name), c.found) << c.name;
    }
}

}  // namespace
