#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/SingleInstance.h"
#include "platform/WindowsCommandLine.h"

namespace {

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                        wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return wide;
}

// Runs a program with its output going to a file, bounded by `limit`; its exit status, -1 when
// it did not end in time. Not through a pipe: the first window call of a Wine session starts a
// desktop process that inherits the program's handles and outlives it, holding a pipe open.
int RunToFile(const std::vector<std::string>& argv, const std::string& outPath, DWORD limitMs) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE out = ::CreateFileW(Wide(outPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                     &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        return -1;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION info{};
    std::wstring line = Wide(BuildWindowsCommandLine(argv));
    const BOOL started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    ::CloseHandle(out);
    if (!started) {
        return -1;
    }
    ::CloseHandle(info.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(info.hProcess, limitMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(info.hProcess, 1);
        ::WaitForSingleObject(info.hProcess, INFINITE);
    } else {
        ::GetExitCodeProcess(info.hProcess, &code);
    }
    ::CloseHandle(info.hProcess);
    return static_cast<int>(code);
}

}  // namespace

// Without --headless the Windows program opens its window (tested with the window's own
// tests); --help, --version and bad command lines answer at once, as on Linux.
TEST(Win32Program, AnswersAtOnceWithoutOpeningTheWindow) {
    const std::vector<std::pair<std::vector<std::string>, int>> runs = {
        {{"--port-base", "x"}, 2},          {{"--screenshots"}, 2}, {{"-h"}, 0}, {{"--version"}, 0},
        {{"--headless", "--port-base"}, 2},
    };
    TempDir dir;
    int run = 0;
    for (const auto& [args, status] : runs) {
        std::vector<std::string> argv = {ZR40_TOOL_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        // a file of its own for each run: Wine's desktop process may still hold the last one
        const std::string out = dir.file("answer" + std::to_string(run++) + ".out");
        // a bound against a hang only: Wine starts a program slowly on a loaded machine
        EXPECT_EQ(RunToFile(argv, out, 60000), status) << (args.empty() ? "(none)" : args[0]);
    }
}

// A second start of the window program on the ports of a running copy (here the test, holding
// the lock, with no window to bring forward) ends at once with 0 instead of opening a window.
TEST(Win32Program, SecondWindowOnTheSamePortsEndsAtOnce) {
    const int base = 30000 + static_cast<int>(std::random_device{}() % 20000);
    const SingleInstance first(InstanceKeyForPort(base));
    ASSERT_EQ(first.GetState(), SingleInstance::State::Held);
    TempDir dir;
    const std::string said = dir.file("second.out");
    EXPECT_EQ(RunToFile({ZR40_TOOL_PATH, "--port-base", std::to_string(base)}, said, 60000), 0);
    const std::string text = ReadFileText(said);
    EXPECT_EQ(text.rfind("Zr40Tool is already running", 0), 0u) << text;
    EXPECT_EQ(first.GetState(), SingleInstance::State::Held);
}
