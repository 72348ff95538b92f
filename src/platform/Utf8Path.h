#pragma once
// File names are UTF-8 text everywhere in the program. A std::filesystem::path made from a plain
// std::string reads the bytes in the ANSI code page on Windows, so paths are made and read here.
#include <cstdio>
#include <filesystem>
#include <string>

std::filesystem::path PathFromUtf8(const std::string& utf8);
// The path in UTF-8 with '/' between its parts on every platform (Windows takes '/' as well as
// '\\'), so paths the program builds and paths it lists compare alike.
std::string Utf8FromPath(const std::filesystem::path& path);

// std::fopen for a UTF-8 file name (the wide-character open on Windows). Null on failure.
std::FILE* OpenFileUtf8(const std::string& utf8Path, const char* mode);

// True when `path` is `base` or lies inside it, both made absolute and normal first. Windows
// file names ignore letter case, so `ignoreCase` folds it there (ASCII and beyond).
bool PathIsWithin(const std::filesystem::path& path, const std::filesystem::path& base,
                  bool ignoreCase);
