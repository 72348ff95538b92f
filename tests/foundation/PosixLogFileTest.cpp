// Log files on a full disk (Linux's /dev/full stands for one).
#include <gtest/gtest.h>
#include <unistd.h>

#include "LogFileSessionCheck.h"
#include "TempDir.h"

TEST(PosixLogFileTest, FullDiskNeverStopsASession) {
    TempDir logs;
    for (const char* name : {"Trace.log", "Net.log", "Assert.log", "DebugInfo.log"}) {
        ASSERT_EQ(::symlink("/dev/full", logs.file(name).c_str()), 0);
    }
    ExpectSessionsDespiteBadLogs(logs.path());
}
