#include "foundation/LogFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "LogFileSessionCheck.h"
#include "LoopbackTestSupport.h"
#include "TempDir.h"
#include "foundation/Log.h"

using namespace std::chrono_literals;

namespace {

// The log's file is renamed (or deleted) under it: the next lines go into a fresh file under the
// old name and none into the moved one.
void ExpectFreshFileAfter(bool rename) {
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
    const std::string oldText = ReadLogText(moved);
    file.Append("last\n", 5);
    const std::string text = ReadLogText(path);
    EXPECT_EQ(text.rfind("after ", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 5), "last\n");
    EXPECT_EQ(ReadLogText(moved), oldText);  // nothing more went into the moved file
    if (rename) {
        EXPECT_EQ(oldText.rfind("before\n", 0), 0u);
    }
    EXPECT_EQ(file.Dropped(), 0u);
}

}  // namespace

TEST(LogFileTest, MovedFileIsCreatedAfreshAndTheOldOneGetsNoMoreLines) {
    ExpectFreshFileAfter(true);
}

TEST(LogFileTest, DeletedFileIsCreatedAfresh) {
    ExpectFreshFileAfter(false);
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
    LogFile file(path, 10, 5ms, LineEnd::Lf);  // the byte counts below are those of LF lines
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

// Windows logs end their lines with CR LF: a lone LF gets its CR, one that has it (also as the
// last byte of the line before) is never doubled, and the size limit counts the bytes written.
TEST(LogFileTest, CrLfLinesNeverDoubleACr) {
    TempDir dir;
    const std::string path = dir.file("Trace.log");
    LogFile file(path, 0, 5ms, LineEnd::CrLf);
    struct Step {
        const char* line;
        const char* written;
    } const steps[] = {
        {"a\n", "a\r\n"},
        {"b\r\n", "b\r\n"},
        {"c", "c"},
        {"\n", "\r\n"},
        {"d\r", "d\r"},
        {"\n", "\n"},
        {"e\n\nf\r\n\n", "e\r\n\r\nf\r\n\r\n"},
        {"\r\r\n", "\r\r\n"},
        {"", ""},
    };
    std::string expected;
    for (const Step& s : steps) {
        file.Append(s.line, std::char_traits<char>::length(s.line));
        expected += s.written;
        EXPECT_EQ(ReadFileText(path), expected) << s.line;
    }
    EXPECT_EQ(LogFile::WithCrLf("\n", 1, true), "\n");
    EXPECT_EQ(LogFile::WithCrLf("x\ny", 3, false), "x\r\ny");

    // Over the limit counts the CRs too: 4 + 4 bytes exceed 7, so the file starts afresh.
    const std::string capped = dir.file("Net.log");
    LogFile limited(capped, 7, 5ms, LineEnd::CrLf);
    for (const char* line : {"ab\n", "cd\n", "ef\n"}) {
        limited.Append(line, 3);
    }
    EXPECT_EQ(ReadFileText(capped), "ef\r\n");
}

// The four logs through their writers, as this platform writes them: one line per entry, each
// ending CR LF on Windows and LF elsewhere.
TEST(LogFileTest, LogLinesEndAsThePlatformsTextFiles) {
    const std::string end = NativeLineEnd() == LineEnd::CrLf ? "\r\n" : "\n";
    ScopedLogDir logs;
    TraceLog("first %d\n", 1);
    TraceLog("second\n");
    NetLog("Online:ThreadId == %d,ip=%s,port=%d\n", 7, "127.0.0.1", 5595);
    DebugInfoLog("frame\nnext\n");
    AssertLog(0, "p != NULL", "file", "function", 3);
    struct Case {
        const char* name;
        std::size_t lines;
    } const cases[] = {{"Trace.log", 2}, {"Net.log", 1}, {"DebugInfo.log", 2}, {"Assert.log", 2}};
    for (const Case& c : cases) {
        const std::string text = ReadFileText(logs.file(c.name));
        std::size_t ends = 0;
        for (std::size_t at = text.find(end); at != std::string::npos;
             at = text.find(end, at + 1)) {
            ++ends;
        }
        EXPECT_EQ(ends, c.lines) << c.name;
        EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), c.lines)
            << c.name;
        EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\r')),
                  end.size() == 2 ? c.lines : 0u)
            << c.name;
        EXPECT_EQ(text.substr(text.size() - end.size()), end) << c.name;
    }
}

TEST(LogFileTest, UnwritableLogFolderNeverStopsASession) {
    TempDir logs;
    WriteFileBytes(logs.file("plain-file"), "x");
    ExpectSessionsDespiteBadLogs(logs.file("plain-file/logs"));  // cannot be made, even by root
}
