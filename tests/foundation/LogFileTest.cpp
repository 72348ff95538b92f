#include "foundation/LogFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "LoopbackTestSupport.h"
#include "SimFleet.h"
#include "SimMd5.h"
#include "TempDir.h"
#include "app/HeadlessApp.h"
#include "foundation/Log.h"

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

TEST(LogFileTest, UnwritableOrFullLogFolderNeverStopsASession) {
    TempDir firmware;
    const std::string bytes(3000, 'f');
    WriteFileBytes(firmware.file("fw.bin"), bytes);
    WriteFileBytes(firmware.file("fw.bin.md5"),
                   SimMd5Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    for (const bool full : {false, true}) {
        SCOPED_TRACE(full ? "every log on /dev/full" : "log folder under a regular file");
        ScopedLogDir restore;  // HeadlessApp moves the logs; this puts them back afterwards
        TempDir logs;
        std::string logDir = logs.file("plain-file/logs");  // cannot be made, even by root
        WriteFileBytes(logs.file("plain-file"), "x");
        if (full) {
            logDir = logs.path();
            for (const char* name : {"Trace.log", "Net.log", "Assert.log", "DebugInfo.log"}) {
                ASSERT_EQ(::symlink("/dev/full", logs.file(name).c_str()), 0);
            }
        }
        const std::uint64_t droppedBefore = LogLinesDropped();
        HeadlessOptions options;
        options.upgradeFolder = firmware.path();
        options.logDir = logDir;
        options.network = LoopbackTestSettings();
        options.invitationPeriod = 100ms;
        options.status = [](const std::string&) {};
        HeadlessApp app(options);
        ASSERT_TRUE(app.Start());
        ASSERT_TRUE(app.Network().WaitListening(5000));
        SimFleet fleet(SimMonitorConfig{}, 2, "LOG-", 17);
        fleet.StartAll("127.0.0.1", app.Network().SessionPort());
        EXPECT_TRUE(
            fleet.WaitAll([](const SimSnapshot& s) { return s.upgradesSucceeded >= 1; }, 20s))
            << fleet.Summary().Text();
        EXPECT_EQ(fleet.Summary().filesVerified, 2u);
        EXPECT_GT(LogLinesDropped(), droppedBefore);
        fleet.StopAll();
        app.Stop();
    }
}
