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

// True when `folder` is, or lies in, a folder the program must not write into even when it can
// (run elevated, or by an administrator): what it writes there would be left behind by the
// uninstaller, or land in the system. Windows: the Program Files folders, the Windows folder (an
// elevated command prompt starts in System32) and the folder the installers recorded as the
// program's; elsewhere the system's program and data folders (/usr, /opt, /bin, /sbin, /lib,
// /etc).
bool IsProtectedFolder(const std::string& folder);
