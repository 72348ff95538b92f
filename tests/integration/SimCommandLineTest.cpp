// The zr40-sim command line: every option, and the values it refuses.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "LoopbackTestSupport.h"
#include "SimCommandLine.h"
#include "SimMd5.h"
#include "SimMonitor.h"
#include "TempDir.h"
#include "app/HeadlessApp.h"

namespace {

TEST(SimCommandLineTest, OptionsSetTheirFields) {
    SimCommandLine cl;
    std::string error;
    ASSERT_TRUE(cl.Parse({"--host",
                          "10.1.2.3",
                          "--port",
                          "5595",
                          "--count",
                          "16",
                          "--duration",
                          "2.5",
                          "--keepalive-ms",
                          "250",
                          "--refuse-orders",
                          "--reconnect-half-open",
                          "--drop-after-pieces",
                          "7",
                          "--garbage",
                          "--byte-by-byte",
                          "--silent",
                          "--flood-requests",
                          "--stall-handshake",
                          "--from",
                          "127.0.0.2",
                          "--link-delay-ms",
                          "5",
                          "--name-prefix",
                          "BED",
                          "--quiet",
                          "--exit-after-upgrade"},
                         error))
        << error;
    EXPECT_EQ(cl.host, "10.1.2.3");
    EXPECT_EQ(cl.port, 5595);
    EXPECT_EQ(cl.count, 16);
    EXPECT_DOUBLE_EQ(cl.durationSeconds, 2.5);
    EXPECT_EQ(cl.monitor.keepAliveMs, 250);
    EXPECT_TRUE(cl.monitor.refuseOrders);
    EXPECT_TRUE(cl.monitor.reconnectHalfOpen);
    EXPECT_EQ(cl.monitor.dropAfterPieces, 7);
    EXPECT_TRUE(cl.monitor.garbage && cl.monitor.byteByByte && cl.monitor.silent);
    EXPECT_TRUE(cl.monitor.floodRequests && cl.monitor.stallHandshake);
    EXPECT_EQ(cl.monitor.localAddress, "127.0.0.2");
    EXPECT_EQ(cl.monitor.linkDelayMs, 5);
    EXPECT_EQ(cl.namePrefix, "BED");
    EXPECT_TRUE(cl.quiet && cl.exitAfterUpgrade);
    EXPECT_FALSE(cl.help);
}

TEST(SimCommandLineTest, BadValuesAreRefused) {
    const std::vector<std::vector<std::string>> kBad = {
        {"--port", "0"},
        {"--port", "65536"},
        {"--port", "95x"},
        {"--count", "0"},
        {"--count", "1001"},
        {"--duration", "-1"},
        {"--duration", "abc"},
        {"--keepalive-ms", "5"},
        {"--drop-after-pieces", "-2"},
        {"--link-delay-ms", "-1"},
        {"--link-delay-ms", "1001"},
        {"--link-delay-ms", "2.5"},
        {"--port"},
        {"--host", ""},
        {"--from", "localhost"},
        {"--frobnicate"},
    };
    for (const auto& args : kBad) {
        SimCommandLine cl;
        std::string error;
        EXPECT_FALSE(cl.Parse(args, error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

TEST(SimCommandLineTest, HelpNamesEveryOption) {
    const std::string usage = SimCommandLine::Usage();
    for (const char* option :
         {"--host", "--port", "--count", "--duration", "--exit-after-upgrade", "--keepalive-ms",
          "--refuse-orders", "--drop-after-pieces", "--garbage", "--byte-by-byte", "--silent",
          "--flood-requests", "--stall-handshake", "--from", "--link-delay-ms", "--name-prefix",
          "--quiet", "--help"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

// The link delay holds every upgrade request before it goes out, so a pull takes at least its
// requests times the delay, while each answer's own wait is still recorded.
TEST(SimCommandLineTest, LinkDelayHoldsEveryUpgradeRequest) {
    using namespace std::chrono_literals;
    constexpr int kDelayMs = 50;
    SimCommandLine cl;
    std::string error;
    ASSERT_TRUE(cl.Parse({"--link-delay-ms", std::to_string(kDelayMs)}, error)) << error;

    ScopedLogDir logs;
    TempDir folder;
    const std::string bytes(1000, 'z');  // two data pieces: count, header, 2 pieces = 4 requests
    WriteFileBytes(folder.file("fw.bin"), bytes);
    WriteFileBytes(folder.file("fw.bin.md5"),
                   SimMd5Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    HeadlessOptions options;
    options.upgradeFolder = folder.path();
    options.network = LoopbackTestSettings();
    options.refreshPeriod = 5ms;
    options.status = [](const std::string&) {};
    HeadlessApp app(options);
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.Network().WaitListening(5000));

    SimMonitor monitor(SimMonitorConfig::ForIndex(cl.monitor, 0, "LINK-", 0x11));
    ASSERT_TRUE(monitor.Start("127.0.0.1", app.Network().SessionPort()));
    ASSERT_TRUE(monitor.Record().WaitFor(
        [](const SimSnapshot& s) { return s.upgradesSucceeded + s.upgradesFailed > 0; }, 10s));
    const SimSnapshot s = monitor.Record().Snapshot();
    monitor.Stop();
    app.Stop();
    EXPECT_EQ(s.upgradesSucceeded, 1u) << s.lastError;
    EXPECT_EQ(s.requests.size(), 4u);
    EXPECT_EQ(s.answerWaitsUs.size(), 4u);
    EXPECT_GE(s.pullEndedAt - s.pullStartedAt, std::chrono::milliseconds(4 * kDelayMs));
}

}  // namespace
