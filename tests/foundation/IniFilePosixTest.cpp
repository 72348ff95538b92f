// INI writes and what only POSIX systems have: file-size limits, modes and symbolic links.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "TextAndFolders.h"
#include "foundation/IniFile.h"

namespace {

TEST(IniFileTest, FailedWriteLeavesOriginalIntact) {
    TempDir dir;
    std::string path = dir.file("s.ini");
    WriteFileBytes(path, "[S]\nK=1\n");
    // A file-size limit (which binds root too) makes the save fail part-way through.
    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = previous;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool written = IniFile::WriteString(path, "S", "K", std::string(200, 'v'));
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFileText(path), "[S]\nK=1\n");
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"s.ini"});
}

TEST(IniFileTest, KeepsPermissionsAndWritesThroughSymlink) {
    TempDir dir;
    std::string real = dir.file("real.ini");
    std::string link = dir.file("link.ini");
    WriteFileBytes(real, "[S]\nK=1\n");
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, link);
    ASSERT_TRUE(IniFile::WriteString(link, "S", "K", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFileText(real), "[S]\nK=2\n");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
