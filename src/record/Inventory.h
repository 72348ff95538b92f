#pragma once
// The inventory: a CSV (UTF-8 with a byte-order mark, RFC 4180) of the monitors connected now,
// one line each in GUID order, for the department's asset list.
#include <string>

class CMonitorObjectMng;

inline constexpr char kInventoryHeader[] =
    "Monitor GUID,Device name,Bed,IP address,Software version,Module set,SSID,Server address,"
    "Connected since";

// The whole file's text.
std::string InventoryText(const CMonitorObjectMng& pool);
// Replaces the file with the text in one step; false when it cannot be written.
bool WriteInventory(const std::string& path, const std::string& text);
