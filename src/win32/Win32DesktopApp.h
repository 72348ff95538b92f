#pragma once
// The Windows desktop program's start-up: common controls and COM for the dialogs, the UI
// thread, the listening server, the language, then the main window until it closes.
#include <string>

struct Win32DesktopPaths {
    std::string exeDir;      // where the program lies (its language folder beside it)
    int portBase = -1;       // the 20 listening ports from here; -1: the standard ports
    bool selfCheck = false;  // open the window with the language loaded, report, close
};

// The folder of the running program, UTF-8.
std::string ProgramFolder();

// Returns the exit code. Self-check: prints what it found, 0 when it passed, else 1. Otherwise 1
// when the language could not be loaded ("Load language file error"
// shown) or the window could not be opened, else 0 once the window closed.
int RunWin32Desktop(const Win32DesktopPaths& paths);
