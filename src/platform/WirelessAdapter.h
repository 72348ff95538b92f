#pragma once
// Whether the machine has a wireless network adapter: the kernel lists one as
// <root>/sys/class/net/<interface>/wireless or <root>/sys/class/ieee80211/<phy>.
#include <string>

// `root` is "/" on a live system; tests pass a folder that mimics /sys.
bool HasWirelessAdapter(const std::string& root = "/");
