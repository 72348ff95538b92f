#include <stdio.h>

#include "platform/Utf8Path.h"

std::FILE* OpenFileUtf8(const std::string& utf8Path, const char* mode) {
    // N: not inherited, so no program this one starts keeps the file open.
    const std::wstring wideMode =
        std::wstring(mode, mode + std::char_traits<char>::length(mode)) + L"N";
    return ::_wfopen(PathFromUtf8(utf8Path).c_str(), wideMode.c_str());
}
