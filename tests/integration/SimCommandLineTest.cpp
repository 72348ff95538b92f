// The zr40-sim command line: every option, and the values it refuses.
#include <gtest/gtest.h>

#include "SimCommandLine.h"

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
    EXPECT_TRUE(cl.monitor.floodRequests);
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
        {"--port"},
        {"--host", ""},
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
          "--flood-requests", "--name-prefix", "--quiet", "--help"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

}  // namespace
