// The Linux command runner: real children, reaped, ended by time-out or Cancel.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/CommandRunner.h"

namespace {

using namespace std::chrono_literals;

TEST(PosixCommandRunnerTest, PassesArgumentsWithoutAShellAndReapsTheChild) {
    PosixCommandRunner runner;
    const auto limit = kCommandTimeLimit;
    EXPECT_EQ(runner.Run({"true"}, limit), 0);
    EXPECT_EQ(runner.Run({"false"}, limit), 1);
    // One argument with a space and a quote arrives as one: test compares them literally.
    EXPECT_EQ(runner.Run({"test", "a b\"c", "=", "a b\"c"}, limit), 0);
    EXPECT_EQ(runner.Run({"test", "a;true", "=", "a"}, limit), 1);
    EXPECT_EQ(runner.Run({"zr40-no-such-program"}, limit), -1);
    EXPECT_EQ(runner.Run({}, limit), -1);
}

TEST(PosixCommandRunnerTest, ACommandOverItsLimitOrCancelledIsEnded) {
    PosixCommandRunner runner;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(runner.Run({"/bin/sleep", "10"}, 200ms), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 5s);
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);  // the child is gone and reaped
    EXPECT_EQ(errno, ECHILD);

    // Cancel from another thread ends a long command at once and refuses new ones until Resume.
    int status = 0;
    std::thread waiter([&] { status = runner.Run({"/bin/sleep", "10"}, 30s); });
    runner.Cancel();
    waiter.join();
    EXPECT_EQ(status, -1);
    EXPECT_EQ(runner.Run({"true"}, 1s), -1);
    runner.Resume();
    EXPECT_EQ(runner.Run({"true"}, 1s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 10s);
}

}  // namespace
