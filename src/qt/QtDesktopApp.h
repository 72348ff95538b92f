#pragma once
// The desktop program's start-up: the listening server, the language, then the main window.
#include <string>

class LanguageTexts;
class NetworkListenManager;

struct DesktopPaths {
    std::string exeDir;          // where the program lies
    std::string dataDir;         // the installed data folder (share/zr40tool)
    std::string userConfigPath;  // the user's own language choice ("" for none)
    int portBase = -1;           // the 20 listening ports from here; -1: the standard ports
};

// The start-up steps before the window: starts the listening server, then finds and loads the
// language files and hands the texts to the monitor table. Returns the message to show when the
// tool cannot start ("Load language file error"), "" when it can.
std::string PrepareDesktop(NetworkListenManager& server, LanguageTexts& texts,
                           const DesktopPaths& paths);

// The paths of this installation (a QApplication must exist).
DesktopPaths DefaultDesktopPaths();

// Runs the desktop program with a QApplication present; returns the exit code (1 when the
// language could not be loaded).
int RunDesktop(const DesktopPaths& paths);
