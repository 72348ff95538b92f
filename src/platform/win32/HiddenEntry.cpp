#include "platform/HiddenEntry.h"

#include <windows.h>

bool IsHiddenOrSystemEntry(const std::filesystem::path& entry) {
    const DWORD attributes = ::GetFileAttributesW(entry.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
}
