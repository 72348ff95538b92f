// The Windows command runner with a real program (zr40-args-echo, built beside the tests), and
// the stack a small-stack thread really reserves.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/CommandRunner.h"
#include "platform/SmallStackThread.h"

namespace {

using namespace std::chrono_literals;
using Argv = std::vector<std::string>;

std::string EchoProgram() {
    wchar_t self[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path path =
        std::filesystem::path(std::wstring(self, n)).parent_path() / "zr40-args-echo.exe";
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

TEST(Win32CommandRunnerTest, EveryArgumentComesBackExactly) {
    const Argv arguments = {"plain",
                            "a b",
                            "",
                            "a\"b",
                            "a\\\"b",
                            "tail\\",
                            "sp ace\\\\",
                            "tab\there",
                            "\\\\server\\share",
                            "\xe4\xb8\xad\xe6\x96\x87 \xe5\x90\x8d",
                            "--exit",
                            "7"};
    Argv argv = {EchoProgram()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    Win32CommandRunner runner;
    const CommandResult result = runner.RunCapturing(argv, 10s);
    EXPECT_EQ(result.status, 7);
    std::string expected;
    for (const std::string& a : arguments) {
        expected += a + '\0';
    }
    EXPECT_EQ(result.output, expected);
    EXPECT_EQ(runner.Run({EchoProgram(), "x"}, 10s), 0);
    EXPECT_EQ(runner.Run({"zr40-no-such-program"}, 10s), -1);
    EXPECT_EQ(runner.Run({}, 10s), -1);
}

TEST(Win32CommandRunnerTest, OverItsLimitOrCancelledIsEnded) {
    Win32CommandRunner runner;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(runner.Run({EchoProgram(), "--sleep", "30000"}, 300ms), -1);
    // A program that exits at once but leaves one behind holding its output: the run still
    // ends at its limit, with the program's own status.
    EXPECT_EQ(runner.Run({EchoProgram(), "--spawn-sleeper"}, 300ms), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 10s);

    int status = 0;
    std::thread waiter([&] { status = runner.Run({EchoProgram(), "--sleep", "30000"}, 30s); });
    runner.Cancel();
    waiter.join();
    EXPECT_EQ(status, -1);
    EXPECT_EQ(runner.Run({EchoProgram()}, 10s), -1);
    runner.Resume();
    EXPECT_EQ(runner.Run({EchoProgram()}, 10s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 20s);
}

TEST(Win32SmallStackThreadTest, ReservesOnlyTheStackAskedFor) {
    ULONG_PTR low = 0;
    ULONG_PTR high = 0;
    SmallStackThread thread;
    ASSERT_TRUE(thread.Start([&] { ::GetCurrentThreadStackLimits(&low, &high); }, 256 * 1024));
    thread.Join();
    EXPECT_EQ(high - low, 256u * 1024u);
}

}  // namespace
