#pragma once
// Shared by the log-file tests: a headless server whose logs cannot be written still serves
// two simulated monitors through a whole upgrade, and counts the lines it dropped.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "LoopbackTestSupport.h"
#include "SimFleet.h"
#include "SimMd5.h"
#include "TempDir.h"
#include "app/HeadlessApp.h"
#include "foundation/Log.h"

inline void ExpectSessionsDespiteBadLogs(const std::string& logDir) {
    using namespace std::chrono_literals;
    TempDir firmware;
    const std::string bytes(3000, 'f');
    WriteFileBytes(firmware.file("fw.bin"), bytes);
    WriteFileBytes(firmware.file("fw.bin.md5"),
                   SimMd5Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    ScopedLogDir restore;  // HeadlessApp moves the logs; this puts them back afterwards
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
    EXPECT_TRUE(fleet.WaitAll([](const SimSnapshot& s) { return s.upgradesSucceeded >= 1; }, 20s))
        << fleet.Summary().Text();
    EXPECT_EQ(fleet.Summary().filesVerified, 2u);
    EXPECT_GT(LogLinesDropped(), droppedBefore);
    fleet.StopAll();
    app.Stop();
}
