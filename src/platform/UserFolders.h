#pragma once
// Folders in the user's profile for what the program writes when its own folders are
// read-only (an installed copy): the chosen language and the logs. Empty when the profile gives
// no such place.
#include <string>

// Windows: %APPDATA%\Zr40Tool; elsewhere $XDG_CONFIG_HOME/zr40tool or ~/.config/zr40tool.
std::string UserConfigFolder();
// Windows: %LOCALAPPDATA%\Zr40Tool\Logs; elsewhere $XDG_STATE_HOME/zr40tool or
// ~/.local/state/zr40tool.
std::string UserLogFolder();
