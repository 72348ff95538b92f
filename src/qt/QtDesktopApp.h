#pragma once
// The desktop program's start-up: one copy per set of ports, the log folder, what the window
// runs on (app/DesktopServices.h), then the main window.
#include <string>

#include "app/DesktopServices.h"

struct DesktopPaths {
    std::string exeDir;          // where the program lies
    std::string dataDir;         // the installed data folder (share/zr40tool)
    std::string userConfigPath;  // the user's own language choice ("" for none)
    int portBase = -1;           // the 20 listening ports from here; -1: the standard ports
};

// What the window runs on, for this installation's paths: the language folder found from
// them, the record's problems shown in a message box.
DesktopStart DesktopStartOf(const DesktopPaths& paths);

// The paths of this installation (a QApplication must exist).
DesktopPaths DefaultDesktopPaths();

// Runs the desktop program with a QApplication present; returns the exit code (1 when the
// language could not be loaded).
int RunDesktop(const DesktopPaths& paths);
