// The Windows program's entry: --help, --version, --headless (the core without a window),
// --screenshots DIR, --self-check, or the main window ([--port-base N] moves its 20 listening ports
// to N..N+19). The command line is taken as UTF-8. The program is a window program: run from a
// console, it writes its text answers to that console.
#include "win32/Win32Api.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/HeadlessApp.h"
#include "app/PortBaseArgument.h"
#include "app/RecordCommand.h"
#include "app/Version.h"
#include "platform/ProgramArguments.h"
#include "win32/RunningMarker.h"
#include "win32/Win32DesktopApp.h"
#include "win32/Win32Screenshots.h"

namespace {

constexpr char kDesktopUsage[] =
    "usage: zr40tool [--port-base N]     the desktop program\n"
    "       zr40tool --screenshots DIR   pictures of every page into DIR\n"
    "       zr40tool --self-check        open the window once with the language files, say\n"
    "                                    whether all is there, and end (0: it is)\n";

int Find(const std::vector<std::string>& args, const char* name) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == name) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

bool OutputRedirected() {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    return out != nullptr && out != INVALID_HANDLE_VALUE;
}

void WriteToConsole() {
    FILE* ignored = nullptr;
    freopen_s(&ignored, "CONOUT$", "w", stdout);
    freopen_s(&ignored, "CONOUT$", "w", stderr);
}

// A window program has no console of its own; without inherited output handles, the text goes
// to the console it was started from, if any.
void UseParentConsole() {
    if (!OutputRedirected() && ::AttachConsole(ATTACH_PARENT_PROCESS)) {
        WriteToConsole();
    }
}

// Ctrl+C, Ctrl+Break and closing reach a program only through a console, and a window program
// has none of its own. The headless tool joins the console it was started from; without one it
// makes its own: shown with the status lines when nobody reads them elsewhere (started from
// the desktop), hidden when its output is redirected, so that it can always be stopped cleanly.
void UseConsoleForHeadless() {
    const bool redirected = OutputRedirected();
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (!redirected) {
            WriteToConsole();
        }
        return;
    }
    if (!::AllocConsole()) {
        return;
    }
    if (!redirected) {
        WriteToConsole();
    } else if (const HWND window = ::GetConsoleWindow()) {
        ::ShowWindow(window, SW_HIDE);
    }
}

int Headless(std::vector<std::string> args) {
    std::vector<char*> pointers;
    for (std::string& arg : args) {
        pointers.push_back(arg.data());
    }
    HeadlessOptions options;
    std::string error;
    if (!HeadlessApp::ParseArguments(static_cast<int>(pointers.size()), pointers.data(), options,
                                     error)) {
        // Nothing runs, so nothing needs stopping: no console of its own, only the answer.
        UseParentConsole();
        std::fprintf(stderr, "zr40tool: %s\n", error.c_str());
        std::fprintf(stderr, "%s", HeadlessApp::UsageAfter(kDesktopUsage).c_str());
        return 2;
    }
    UseConsoleForHeadless();
    HeadlessApp app(std::move(options));
    return app.Run();
}

}  // namespace

int wmain(int, wchar_t**) {
    std::vector<std::string> args = ProgramArguments(0, nullptr);
    if (Find(args, "--help") != 0 || Find(args, "-h") != 0) {
        UseParentConsole();
        std::printf("%s", HeadlessApp::UsageAfter(kDesktopUsage).c_str());
        return 0;
    }
    if (const int at = Find(args, "--installer-check"); at != 0) {
        // The Windows Installer package asks before it replaces or removes the program; the
        // argument is its user-interface level (above 3: a user sees its dialogs).
        if (!RunningMarker::HeldElsewhere()) {
            return 0;
        }
        const std::size_t next = static_cast<std::size_t>(at) + 1;
        if (next < args.size() && std::atoi(args[next].c_str()) > 3) {
            ::MessageBoxW(nullptr, L"Zr40Tool is running. Close it, then try again.", L"Zr40Tool",
                          MB_ICONSTOP | MB_OK);
        }
        return 1;
    }
    if (Find(args, "--version") != 0) {
        UseParentConsole();
        std::printf("Zr40Tool %s\n", Zr40Version());
        return 0;
    }
    if (const int at = Find(args, kVerifyRecordArgument); at != 0) {
        UseParentConsole();
        if (static_cast<std::size_t>(at) + 1 >= args.size()) {
            std::fprintf(stderr, "usage: zr40tool --verify-record FILE\n");
            return 2;
        }
        const int status = RunVerifyRecord(args[static_cast<std::size_t>(at) + 1]);
        std::fflush(stdout);
        return status;
    }
    if (Find(args, "--headless") != 0) {
        const RunningMarker running;
        return Headless(std::move(args));
    }
    if (const int at = Find(args, "--screenshots"); at != 0) {
        UseParentConsole();
        if (static_cast<std::size_t>(at) + 1 >= args.size()) {
            std::fprintf(stderr, "usage: zr40tool --screenshots DIR\n");
            return 2;
        }
        return RunWin32Screenshots(args[static_cast<std::size_t>(at) + 1], ProgramFolder());
    }
    Win32DesktopPaths paths;
    paths.exeDir = ProgramFolder();
    if (Find(args, "--self-check") != 0) {
        UseParentConsole();
        paths.selfCheck = true;
        return RunWin32Desktop(paths);
    }
    if (const int at = Find(args, "--port-base"); at != 0) {
        const std::size_t next = static_cast<std::size_t>(at) + 1;
        if (next >= args.size() || !ParsePortBase(args[next], paths.portBase)) {
            UseParentConsole();
            std::fprintf(stderr, "zr40tool: bad --port-base\n");
            return 2;
        }
    }
    const RunningMarker running;
    return RunWin32Desktop(paths);
}
