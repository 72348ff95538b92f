#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "LoopbackTestSupport.h"
#include "ProgramRun.h"
#include "TempDir.h"
#include "platform/SingleInstance.h"
#include "platform/TcpConnect.h"
#include "platform/WindowsCommandLine.h"
#include "platform/win32/EndSessionWindow.h"
#include "platform/win32/WideText.h"

namespace {

// Starts a program that the test then talks to, its output going to a file (see ProgramRun.h
// for why not a pipe); null when it could not be started.
win32text::UniqueHandle StartToFile(const std::vector<std::string>& argv,
                                    const std::string& outPath) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const win32text::UniqueHandle out(::CreateFileW(win32text::ToWide(outPath).c_str(),
                                                    GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) {
        return {};
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.Get();
    startup.hStdError = out.Get();
    PROCESS_INFORMATION info{};
    std::wstring line = win32text::ToWide(BuildWindowsCommandLine(argv));
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &startup, &info)) {
        return {};
    }
    ::CloseHandle(info.hThread);
    return win32text::UniqueHandle(info.hProcess);
}

// Its exit status once it ended, -1 when it did not end within `limitMs` (then it is ended).
int WaitForExit(const win32text::UniqueHandle& process, DWORD limitMs) {
    DWORD code = static_cast<DWORD>(-1);
    if (!process) {
        return -1;
    }
    if (::WaitForSingleObject(process.Get(), limitMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Get(), 1);
        ::WaitForSingleObject(process.Get(), INFINITE);
    } else {
        ::GetExitCodeProcess(process.Get(), &code);
    }
    return static_cast<int>(code);
}

}  // namespace

using namespace std::chrono_literals;

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
        EXPECT_EQ(RunProgramToFile(argv, out, 60s), status) << (args.empty() ? "(none)" : args[0]);
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
    EXPECT_EQ(RunProgramToFile({ZR40_TOOL_PATH, "--port-base", std::to_string(base)}, said, 60s),
              0);
    const std::string text = ReadFileText(said);
    EXPECT_EQ(text.rfind("Zr40Tool is already running", 0), 0u) << text;
    EXPECT_EQ(first.GetState(), SingleInstance::State::Held);
}

// Logging off or shutting down: the headless tool says yes to the end of the session, and its
// answer to the end itself comes only once the tool has stopped (its ports closed, its last line
// written); then it ends with 0.
TEST(Win32Program, HeadlessStopsCleanlyWhenTheSessionEnds) {
    using namespace std::chrono_literals;
    // Wine makes no window without a display (CTest runs this test again on a virtual one).
    if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr &&
        std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "Wine without a display";
    }
    TempDir dir;
    const std::string out = dir.file("headless.out");
    const win32text::UniqueHandle tool = StartToFile(
        {ZR40_TOOL_PATH, "--headless", "--port-base", "0", "--log-dir", dir.path()}, out);
    ASSERT_TRUE(tool);
    // A failed check must not leave the tool running.
    const struct EndAtExit {
        HANDLE process;
        ~EndAtExit() { ::TerminateProcess(process, 1); }
    } endAtExit{tool.Get()};
    int port = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const std::string text = ReadFileText(out);
            const std::size_t at = text.find(" and ", text.find("Listening: monitor ports "));
            port = at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 5);
            return port > 0;
        },
        60s))
        << ReadFileText(out);
    // This test runs alone: the one window of that class is the tool's.
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (window = ::FindWindowW(kEndSessionWindowClass, nullptr)) != nullptr; }, 10s));
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    EXPECT_EQ(owner, ::GetProcessId(tool.Get()));
    EXPECT_TRUE(ConnectTcp("127.0.0.1", port, 2000));

    DWORD_PTR answer = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                      SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    ASSERT_TRUE(::SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF,
                                      SMTO_ABORTIFHUNG, 20000, &answer));
    // Answered only now: the tool no longer listens.
    EXPECT_FALSE(ConnectTcp("127.0.0.1", port, 2000));
    EXPECT_EQ(WaitForExit(tool, 20000), 0);
    std::string text = ReadFileText(out);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    EXPECT_EQ(text.substr(text.rfind('\n') + 1), "Stopping") << text;
}
