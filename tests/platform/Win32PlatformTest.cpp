// The Windows command runner with a real program (zr40-args-echo, built beside the tests), and
// the stack a small-stack thread really reserves.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackTestSupport.h"
#include "TempDir.h"
#include "platform/CommandRunner.h"
#include "platform/SmallStackThread.h"
#include "platform/Utf8Path.h"

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
    // A program that exits but leaves one behind holding its output: the run still ends at its
    // limit, with the program's own status (the limit leaves Wine time to start two programs).
    EXPECT_EQ(runner.Run({EchoProgram(), "--spawn-sleeper"}, 4s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 15s);

    // Cancelled once the program is known to run.
    const std::filesystem::path started =
        std::filesystem::temp_directory_path() /
        ("zr40-started-" + std::to_string(::GetCurrentProcessId()));
    std::filesystem::remove(started);
    const std::u8string startedText = started.u8string();
    int status = 0;
    std::thread waiter([&] {
        status =
            runner.Run({EchoProgram(), "--touch",
                        std::string(startedText.begin(), startedText.end()), "--sleep", "30000"},
                       30s);
    });
    EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(started); }, 10s));
    runner.Cancel();
    waiter.join();
    EXPECT_EQ(status, -1);
    std::filesystem::remove(started);
    EXPECT_EQ(runner.Run({EchoProgram()}, 10s), -1);
    runner.Resume();
    EXPECT_EQ(runner.Run({EchoProgram()}, 10s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 25s);
}

// A child gets its output pipe and nothing else this process could hand down: an inheritable
// file is open here while it runs, and it probes for that handle's value.
TEST(Win32CommandRunnerTest, ChildGetsOnlyItsPipe) {
    TempDir dir;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const std::filesystem::path path = PathFromUtf8(dir.file("held.bin"));
    const HANDLE held = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string value = std::to_string(reinterpret_cast<std::uintptr_t>(held));

    // The probe itself: a child started the careless way does find the file.
    std::wstring line = L"\"" + PathFromUtf8(EchoProgram()).wstring() + L"\" --probe " +
                        std::wstring(value.begin(), value.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                 nullptr, nullptr, &startup, &info));
    DWORD careless = 0;
    EXPECT_EQ(::WaitForSingleObject(info.hProcess, 20000), WAIT_OBJECT_0);
    ::GetExitCodeProcess(info.hProcess, &careless);
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    EXPECT_EQ(careless, 20u);

    Win32CommandRunner runner;
    const CommandResult result = runner.RunCapturing({EchoProgram(), "--probe", value}, 20s);
    ::CloseHandle(held);
    EXPECT_EQ(result.status, 21);
    EXPECT_EQ(result.output, std::string("--probe\0", 8) + value + '\0');
}

TEST(Win32SmallStackThreadTest, StackHoldsWhatWasAskedFor) {
    // The reservation runs from its allocation base up to the stack's top.
    std::uintptr_t reserved = 0;
    SmallStackThread thread;
    ASSERT_TRUE(thread.Start(
        [&] {
            MEMORY_BASIC_INFORMATION region{};
            ::VirtualQuery(&region, &region, sizeof region);
            const auto* tib = reinterpret_cast<const NT_TIB*>(::NtCurrentTeb());
            reserved = reinterpret_cast<std::uintptr_t>(tib->StackBase) -
                       reinterpret_cast<std::uintptr_t>(region.AllocationBase);
        },
        3 * 1024 * 1024));
    thread.Join();
    // More than the program's default of 2 MiB: the size asked for reached the thread.
    EXPECT_GE(reserved, 3u * 1024u * 1024u);
}

}  // namespace
