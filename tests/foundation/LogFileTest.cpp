#include "foundation/LogFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "LogFileSessionCheck.h"
#include "LoopbackTestSupport.h"
#include "TempDir.h"

using namespace std::chrono_literals;

TEST(LogFileTest, MovedOrDeletedFileIsCreatedAfreshAndTheOldOneGetsNoMoreLines) {
    for (const bool rename : {true, false}) {
        SCOPED_TRACE(rename ? "renamed" : "deleted");
        TempDir dir;
        const std::string path = dir.file("Trace.log");
        const std::string moved = dir.file("Trace.old");
        LogFile file(path, 0, 5ms);
        file.Append("before\n", 7);
        ASSERT_EQ(rename ? std::rename(path.c_str(), moved.c_str()) : std::remove(path.c_str()), 0);
        if (!rename && std::filesystem::exists(path)) {
            // Wine keeps a deleted file's name until its last handle closes and tells nothing
            // of the pending deletion; Windows either frees the name or refuses to open it.
            GTEST_SKIP() << "a deleted file that is still open keeps its name here";
        }
        int n = 0;
        ASSERT_TRUE(WaitUntil(
            [&] {
                const std::string line = "after " + std::to_string(n++) + "\n";
                file.Append(line.data(), line.size());
                return !ReadFileText(path).empty();
            },
            5s));
        const std::string oldText = ReadFileText(moved);
        file.Append("last\n", 5);
        const std::string text = ReadFileText(path);
        EXPECT_EQ(text.rfind("after ", 0), 0u) << text;
        EXPECT_EQ(text.substr(text.size() - 5), "last\n");
        EXPECT_EQ(ReadFileText(moved), oldText);  // nothing more went into the moved file
        if (rename) {
            EXPECT_EQ(oldText.rfind("before\n", 0), 0u);
        }
        EXPECT_EQ(file.Dropped(), 0u);
    }
}

namespace {

std::filesystem::path Utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string ReadUtf8Named(const std::string& path) {
    std::ifstream in(Utf8Path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(LogFileTest, FileOverItsLimitIsDeletedWhileOpenAndStartsAfresh) {
    TempDir dir;
    // A Chinese folder name: the path reaches the system as UTF-8, never in a local code page.
    const std::string folder = dir.file("\xe6\x97\xa5\xe5\xbf\x97");
    std::filesystem::create_directory(Utf8Path(folder));
    const std::string path = folder + "/Trace.log";
    LogFile file(path, 10, 5ms);
    struct Step {
        const char* line;
        const char* fileAfter;
    } const steps[] = {
        {"12345\n", "12345\n"},
        {"67890\n", "12345\n67890\n"},  // 12 bytes: over the limit, deleted before the next
        {"abc\n", "abc\n"},
        {"defgh\n", "abc\ndefgh\n"},
    };
    for (const Step& s : steps) {
        file.Append(s.line, std::char_traits<char>::length(s.line));
        EXPECT_EQ(ReadUtf8Named(path), s.fileAfter) << s.line;
    }
    EXPECT_EQ(file.Dropped(), 0u);
}

TEST(LogFileTest, UnwritableLogFolderNeverStopsASession) {
    TempDir logs;
    WriteFileBytes(logs.file("plain-file"), "x");
    ExpectSessionsDespiteBadLogs(logs.file("plain-file/logs"));  // cannot be made, even by root
}
