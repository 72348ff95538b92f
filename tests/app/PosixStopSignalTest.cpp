#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <string>

#include "BackgroundRun.h"
#include "LoopbackTestSupport.h"
#include "TempDir.h"
#include "app/HeadlessApp.h"

using namespace std::chrono_literals;

TEST(PosixStopSignal, SigtermEndsTheHeadlessRunCleanly) {
    ScopedLogDir logs;
    // The "Listening" line comes from the running loop, so the signal handler is in place.
    std::atomic<bool> listening{false};
    std::atomic<bool> stopping{false};
    HeadlessOptions options;
    options.network = LoopbackTestSettings();
    options.status = [&](const std::string& line) {
        listening = listening || line.rfind("Listening: ", 0) == 0;
        stopping = stopping || line == "Stopping";
    };
    HeadlessApp app(options);
    BackgroundRun run([&] { return app.Run(); }, [&] { app.RequestStop(); });
    ASSERT_TRUE(WaitUntil([&] { return listening.load(); }, 5s)) << "Run never listened";
    ::kill(::getpid(), SIGTERM);
    ASSERT_TRUE(run.EndsWithin(5s));
    EXPECT_EQ(run.Result(), 0);
    EXPECT_TRUE(stopping.load());
    // The previous handler is back.
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}
