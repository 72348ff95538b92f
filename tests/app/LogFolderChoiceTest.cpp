// Where the logs and the language choice go when the program's own folders cannot be written.
#include <gtest/gtest.h>

#include <filesystem>

#include "ScopedEnvVar.h"
#include "TempDir.h"
#include "app/LogFolderChoice.h"
#include "pages/LanguageTexts.h"
#include "platform/UserFolders.h"
#include "platform/Utf8Path.h"

namespace fs = std::filesystem;

TEST(LogFolderChoiceTest, WorkingDirectoryFirstThenTheUsersFolder) {
    TempDir dir;
    // A file in place of a folder: no process, however privileged, can write into it.
    WriteFileBytes(dir.file("file"), "x");
    const std::string blocked = dir.file("file");
#ifdef _WIN32
    // Program Files as the environment names it, writable here as for an elevated run
    ScopedEnvVar programFiles("ProgramFiles", dir.file("pf"));
    fs::create_directories(dir.file("pf/Zr40Tool"));
    const std::string installed = dir.file("pf/Zr40Tool");
#else
    const std::string installed = "/usr/share";  // writable when the suite runs as root
#endif
    struct Case {
        const char* name;
        std::string workingDir;
        std::string userFolder;
        std::string folder;  // expected
        bool problem;
    };
    const Case cases[] = {
        {"writable working directory", dir.path(), dir.file("user/logs"), "", false},
        {"read-only working directory", blocked, dir.file("user/logs"), dir.file("user/logs"),
         false},
        {"installed program's folder", installed, dir.file("user/logs"), dir.file("user/logs"),
         false},
        {"neither", blocked, blocked + "/logs", "", true},
        {"no user folder", blocked, "", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LogFolderChoice choice = ChooseLogFolder(c.workingDir, c.userFolder);
        EXPECT_EQ(choice.folder, c.folder);
        EXPECT_EQ(!choice.problem.empty(), c.problem) << choice.problem;
        if (!c.folder.empty()) {
            EXPECT_TRUE(FolderIsWritable(c.folder));
        }
    }
    // the writable case leaves no trace: nothing made for the user, no probe file left
    EXPECT_FALSE(fs::exists(fs::path(dir.file("user/logs")).parent_path() / "unused"));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.file("user/logs"))) {
        ++entries;
    }
    EXPECT_EQ(entries, 0u);
}

TEST(LogFolderChoiceTest, UserFoldersComeFromTheProfile) {
    TempDir profile;
#ifdef _WIN32
    ScopedEnvVar roaming("APPDATA", profile.file("Roaming"));
    ScopedEnvVar local("LOCALAPPDATA", profile.file("Local"));
    const std::string config = profile.file("Roaming/Zr40Tool");
    const std::string logs = profile.file("Local/Zr40Tool/Logs");
#else
    ScopedEnvVar configHome("XDG_CONFIG_HOME", profile.file("config"));
    ScopedEnvVar stateHome("XDG_STATE_HOME", profile.file("state"));
    const std::string config = profile.file("config/zr40tool");
    const std::string logs = profile.file("state/zr40tool");
#endif
    EXPECT_EQ(UserConfigFolder(), config);
    EXPECT_EQ(UserLogFolder(), logs);
    EXPECT_EQ(DefaultUserLanguageConfigPath(), config + "/LanguageConfig.ini");
}

TEST(LogFolderChoiceTest, ProtectedFoldersEndAtAWholeName) {
    struct Case {
        const char* path;
        const char* base;
        bool ignoreCase;
        bool within;
    };
    const Case cases[] = {
        {"/usr/share", "/usr", false, true},  {"/usr", "/usr/", false, true},
        {"/usrx", "/usr", false, false},      {"/usr/../tmp", "/usr", false, false},
        {"/USR/Share", "/usr", true, true},   {"/USR/Share", "/usr", false, false},
        {"/usr", "/usr/share", false, false}, {"", "/usr", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " in " + c.base);
        EXPECT_EQ(PathIsWithin(PathFromUtf8(c.path), PathFromUtf8(c.base), c.ignoreCase), c.within);
    }
    EXPECT_FALSE(IsProtectedFolder(TempDir().path()));
}
