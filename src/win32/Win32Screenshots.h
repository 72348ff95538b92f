#pragma once
// `zr40tool --screenshots DIR`: the main window with three simulated monitors, every tab in
// English and in Chinese, each written as DIR/zr40tool_<en|zh>_<tab>_<name>.png (12 files).
#include <string>

// Returns 0 when every picture was written.
int RunWin32Screenshots(const std::string& folder, const std::string& exeDir);
