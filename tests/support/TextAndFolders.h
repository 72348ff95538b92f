#pragma once
// Small helpers for reading what the code under test left behind: log text and folders.
#include <string>
#include <vector>

// The lines of a text without their breaks; a last line without a break counts.
std::vector<std::string> SplitLines(const std::string& text);
// How often `what` occurs in `text`, overlapping occurrences included.
int CountOccurrences(const std::string& text, const std::string& what);
// The names of the entries of a folder, unsorted; empty when it cannot be listed.
std::vector<std::string> FolderEntries(const std::string& folder);
// How many entries a folder has (not "." or ".."); 0 when it cannot be listed.
int CountFolderEntries(const std::string& folder);
// True when files that are not UTF-8 are read as simplified Chinese (GBK or GB18030). Wine takes
// the ANSI code page from the host's locale, so a Windows run may have another one.
bool LegacyCodePageIsChinese();
inline constexpr const char* kNotChineseCodePage =
    "the legacy code page is not simplified Chinese (under Wine it follows the host's locale)";
