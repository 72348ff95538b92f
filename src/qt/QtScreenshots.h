#pragma once
// Demonstration pictures: the main window on each of its six tabs with three simulated
// monitors listed, in English and in Chinese.
#include <string>

struct DesktopPaths;

// Writes the PNG files into `folder` (created when missing); a QApplication must exist.
// Returns the exit code: 0, or 1 when the language files are missing or a picture could not
// be written. The user's language choice is left untouched.
int RunScreenshots(const std::string& folder, const DesktopPaths& paths);
