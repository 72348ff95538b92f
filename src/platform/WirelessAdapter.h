#pragma once
// Whether the machine has a wireless network adapter. On Linux the kernel lists one as
// <root>/sys/class/net/<interface>/wireless or <root>/sys/class/ieee80211/<phy>; on Windows the
// WLAN service lists its interfaces (none when the service is missing or stopped).
#include <string>

// `root` is "/" on a live system; Linux tests pass a folder that mimics /sys. Windows ignores it.
bool HasWirelessAdapter(const std::string& root = "/");
