#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "TextAndFolders.h"
#include "foundation/Log.h"

namespace {

TEST(LogTest, SizeCapKeepsExactlyFourMiBAndReplacesOneByteMore) {
    struct Case {
        long size;
        bool kept;
    };
    for (Case c : {Case{4194304, true}, Case{4194305, false}}) {
        ScopedLogDir logs;
        WriteFileBytes(logs.file("Trace.log"), std::string(static_cast<std::size_t>(c.size), 'x'));
        TraceLog("next %d\n", 1);
        std::string text = ReadLogText(logs.file("Trace.log"));
        if (c.kept) {
            EXPECT_EQ(text.size(), static_cast<std::size_t>(c.size) + 19 + 1 + 7) << c.size;
        } else {
            ASSERT_EQ(text.size(), 19u + 1 + 7) << c.size;
            EXPECT_EQ(text.substr(19), "\tnext 1\n");
        }
    }
}

TEST(LogTest, TraceLineHasTimeStampTabAndMessageWithoutAddedBreak) {
    ScopedLogDir logs;
    TraceLog("Md5 File Error");
    TraceLog("second %s\n", "entry");
    std::string text = ReadLogText(logs.file("Trace.log"));
    std::vector<std::string> lines = SplitLines(text);
    ASSERT_EQ(lines.size(), 1u);  // the message without "\n" leaves the next entry on its line
    EXPECT_EQ(lines[0].substr(19, 15), "\tMd5 File Error");
    EXPECT_EQ(lines[0].substr(lines[0].size() - 13), "\tsecond entry");
    EXPECT_EQ(lines[0][4], '-');
    EXPECT_EQ(lines[0][13], ':');
}

TEST(LogTest, AssertRecordSpansTwoLines) {
    ScopedLogDir logs;
    AssertLog(0, "src != NULL", "LogicalLayer/PublicFunctions", "CPublicFunctions::Utf8ToUnicode",
              174);
    std::vector<std::string> lines = SplitLines(ReadLogText(logs.file("Assert.log")));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("src != NULL,", 0), 0u);
    EXPECT_EQ(lines[0].size(), std::string("src != NULL,").size() + 24);
    EXPECT_EQ(lines[1], ",LogicalLayer/PublicFunctions,CPublicFunctions::Utf8ToUnicode,174");
}

TEST(LogTest, AssertMacroRecordsOnlyFailedConditions) {
    ScopedLogDir logs;
    int value = 3;
    ASSERT_LOG(value == 3);
    EXPECT_EQ(ReadLogText(logs.file("Assert.log")), "");
    ASSERT_LOG_AT(value == 4, "SendCmpControlCommand", 39);
    std::vector<std::string> lines = SplitLines(ReadLogText(logs.file("Assert.log")));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("value == 4,", 0), 0u);
    EXPECT_NE(lines[1].find(",SendCmpControlCommand,39"), std::string::npos);
}

TEST(LogTest, ConcurrentWritersLeaveWholeLinesAcrossRollOver) {
    ScopedLogDir logs;
    const std::uint64_t droppedBefore = LogLinesDropped();
    constexpr int kThreads = 8;
    constexpr int kLines = 5000;
    const std::string payload(80, 'p');
    // About 4.8 MB in all: the file rolls over while the threads write.
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &payload] {
            for (int i = 0; i < kLines; ++i) {
                NetLog("thread %d line %d %s\n", t, i, payload.c_str());
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    const std::string text = ReadLogText(logs.file("Net.log"));
    EXPECT_LE(text.size(), static_cast<std::size_t>(kLogFileSizeLimit) + 200);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    std::vector<std::string> lines = SplitLines(text);
    ASSERT_LT(lines.size(), static_cast<std::size_t>(kThreads * kLines));  // it did roll over
    std::vector<int> next(kThreads, -1);
    for (const std::string& line : lines) {
        int t = -1;
        int i = -1;
        char tail[128] = {};
        ASSERT_EQ(line[19], '\t') << line;
        ASSERT_EQ(std::sscanf(line.c_str() + 20, "thread %d line %d %127s", &t, &i, tail), 3)
            << line;
        ASSERT_GE(t, 0);
        ASSERT_LT(t, kThreads);
        // The new file holds each thread's later lines, whole and in order.
        EXPECT_TRUE(next[t] < 0 || i == next[t]) << line;
        next[t] = i + 1;
        EXPECT_EQ(tail, payload);
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_TRUE(next[t] < 0 || next[t] == kLines) << t;  // none lost after the roll-over
    }
    EXPECT_EQ(LogLinesDropped(), droppedBefore);
}

TEST(LogTest, LongMessageIsCutAndPercentTextIsWrittenAsItStands) {
    ScopedLogDir logs;
    std::string huge(kLogFormatBufferSize * 2, 'a');
    DebugInfoLog("%s", huge.c_str());
    EXPECT_EQ(ReadLogText(logs.file("DebugInfo.log")).size(), kLogFormatBufferSize - 1);

    ScopedLogDir logs2;
    DebugInfoLog("%s", "100% %s %n %x");
    EXPECT_EQ(ReadLogText(logs2.file("DebugInfo.log")), "100% %s %n %x");
}

TEST(LogTest, FormatLocalTimeNeedsThirtyTwoBytes) {
    char buf[64];
    std::memset(buf, 'z', sizeof(buf));
    EXPECT_EQ(FormatLocalTime(0, buf, 31), nullptr);
    EXPECT_EQ(buf[0], 'z');
    EXPECT_EQ(FormatLocalTime(0, nullptr, 64), nullptr);
    ASSERT_EQ(FormatLocalTime(1796000000, buf, 32), buf);
    EXPECT_EQ(std::strlen(buf), 19u);
}

TEST(LogTest, UnwritableFolderLosesEntrySilently) {
    const std::uint64_t droppedBefore = LogLinesDropped();
    SetLogDirectory("/nonexistent-zr40/dir");
    TraceLog("lost\n");
    EXPECT_EQ(AssertLog(0, "false", "f", "g", 1), 0);
    SetLogDirectory("");
    // Both entries are counted as lost, and nothing made the folder.
    EXPECT_EQ(LogLinesDropped(), droppedBefore + 2);
    EXPECT_FALSE(std::filesystem::exists("/nonexistent-zr40"));
}

}  // namespace
