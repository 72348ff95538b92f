// The desktop program's entry: --help, --version, --headless (the core without a window),
// --screenshots DIR, or the main window ([--port-base N] moves its 20 listening ports to
// N..N+19). Without a display it falls back to --headless.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/HeadlessApp.h"
#include "app/PortBaseArgument.h"
#include "app/RecordCommand.h"
#include "app/Version.h"
#include "qt/QtDesktopApp.h"
#include "qt/QtScreenshots.h"

namespace {

constexpr char kDesktopUsage[] =
    "usage: zr40tool [--port-base N]     the desktop program (without a display: --headless)\n"
    "       zr40tool --screenshots DIR   pictures of every page into DIR\n";

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

bool HasDisplay() {
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM");
}

int FindArg(int argc, char** argv, const char* name) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return i;
        }
    }
    return 0;
}

int RunHeadlessApp(int argc, char** argv) {
    HeadlessOptions options;
    std::string error;
    if (!HeadlessApp::ParseArguments(argc, argv, options, error)) {
        std::fprintf(stderr, "zr40tool: %s\n", error.c_str());
        std::fprintf(stderr, "%s", HeadlessApp::UsageAfter(kDesktopUsage).c_str());
        return 2;
    }
    HeadlessApp app(std::move(options));
    return app.Run();
}

// The headless front end, with "--headless" put in front of the arguments when missing.
int Headless(int argc, char** argv) {
    if (FindArg(argc, argv, "--headless") != 0) {
        return RunHeadlessApp(argc, argv);
    }
    static char headless[] = "--headless";
    std::vector<char*> args(argv, argv + argc);
    args.insert(args.begin() + 1, headless);
    args.push_back(nullptr);
    return RunHeadlessApp(argc + 1, args.data());
}

}  // namespace

int main(int argc, char** argv) {
    if (FindArg(argc, argv, "--help") != 0 || FindArg(argc, argv, "-h") != 0) {
        std::printf("%s", HeadlessApp::UsageAfter(kDesktopUsage).c_str());
        return 0;
    }
    if (FindArg(argc, argv, "--version") != 0) {
        std::printf("Zr40Tool %s\n", Zr40Version());
        return 0;
    }
    if (const int at = FindArg(argc, argv, kVerifyRecordArgument); at != 0) {
        if (at + 1 >= argc) {
            std::fprintf(stderr, "usage: zr40tool --verify-record FILE\n");
            return 2;
        }
        return RunVerifyRecord(argv[at + 1]);
    }
    if (FindArg(argc, argv, "--headless") != 0) {
        return Headless(argc, argv);
    }
    if (const int at = FindArg(argc, argv, "--screenshots"); at != 0) {
        if (at + 1 >= argc) {
            std::fprintf(stderr, "usage: zr40tool --screenshots DIR\n");
            return 2;
        }
        if (!HasDisplay()) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
        const std::string folder = argv[at + 1];
        QApplication app(argc, argv);
        return RunScreenshots(folder, DefaultDesktopPaths());
    }
    if (!HasDisplay()) {
        std::printf(
            "No display present (DISPLAY and WAYLAND_DISPLAY are unset): "
            "starting --headless\n");
        std::fflush(stdout);
        return Headless(argc, argv);
    }
    int portBase = -1;
    if (const int at = FindArg(argc, argv, "--port-base"); at != 0) {
        if (at + 1 >= argc || !ParsePortBase(argv[at + 1], portBase)) {
            std::fprintf(stderr, "zr40tool: bad --port-base\n");
            return 2;
        }
    }
    QApplication app(argc, argv);
    DesktopPaths paths = DefaultDesktopPaths();
    paths.portBase = portBase;
    return RunDesktop(paths);
}
