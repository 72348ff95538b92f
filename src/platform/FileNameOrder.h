#pragma once
// The order in which the file system keeps the names of one folder, so the upgrade files get the
// serial numbers the engineer sees. Windows: case-insensitive, as NTFS keeps them and Explorer
// lists them by name (app.bin before Boot.bin). POSIX: the byte order of the UTF-8 names
// (Boot.bin before app.bin). Names equal but for their letter case fall back to code-unit order,
// so the order is the same on every run.
#include <filesystem>

bool FileNameLess(const std::filesystem::path& a, const std::filesystem::path& b);
