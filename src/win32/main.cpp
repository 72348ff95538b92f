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
#include "app/Version.h"
#include "network/NetworkListenManager.h"
#include "platform/ProgramArguments.h"
#include "win32/Win32DesktopApp.h"
#include "win32/Win32Screenshots.h"

namespace {

constexpr char kDesktopUsage[] =
    "usage: zr40tool [--port-base N]     the desktop program\n"
    "       zr40tool --self-check        open the window once with the language files, say\n"
    "                                    whether all is there, and end (0: it is)\n";

std::string FullUsage() {
    std::string headless = HeadlessApp::Usage();
    const std::string prefix = "usage: ";
    if (headless.compare(0, prefix.size(), prefix) == 0) {
        headless.replace(0, prefix.size(), std::string(prefix.size(), ' '));
    }
    return kDesktopUsage + headless;
}

int Find(const std::vector<std::string>& args, const char* name) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == name) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

// A window program has no console of its own; without inherited output handles, the text goes
// to the console it was started from, if any.
void UseParentConsole() {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE) {
        return;
    }
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        FILE* ignored = nullptr;
        freopen_s(&ignored, "CONOUT$", "w", stdout);
        freopen_s(&ignored, "CONOUT$", "w", stderr);
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
        std::fprintf(stderr, "zr40tool: %s\n", error.c_str());
        std::fprintf(stderr, "%s", FullUsage().c_str());
        return 2;
    }
    HeadlessApp app(std::move(options));
    return app.Run();
}

}  // namespace

int wmain(int, wchar_t**) {
    std::vector<std::string> args = ProgramArguments(0, nullptr);
    if (Find(args, "--help") != 0 || Find(args, "-h") != 0) {
        UseParentConsole();
        std::printf("%s", FullUsage().c_str());
        return 0;
    }
    if (Find(args, "--version") != 0) {
        UseParentConsole();
        std::printf("Zr40Tool %s\n", Zr40Version());
        return 0;
    }
    if (Find(args, "--headless") != 0) {
        UseParentConsole();
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
        char* end = nullptr;
        const std::size_t next = static_cast<std::size_t>(at) + 1;
        const long base = next < args.size() ? std::strtol(args[next].c_str(), &end, 10) : -1;
        if (end == nullptr || *end != '\0' || base < 0 || base > 65535 - kListenSlotCount) {
            UseParentConsole();
            std::fprintf(stderr, "zr40tool: bad --port-base\n");
            return 2;
        }
        paths.portBase = static_cast<int>(base);
    }
    return RunWin32Desktop(paths);
}
