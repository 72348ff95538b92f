#pragma once
// Whether the file system keeps a folder entry out of sight: the entries a user never put
// there knowingly (a desktop's thumbnails, a disk's recycle bin, a tool's own bookkeeping).
// POSIX: a name starting with '.'. Windows: FILE_ATTRIBUTE_HIDDEN or FILE_ATTRIBUTE_SYSTEM.
#include <filesystem>

// False when the entry cannot be asked (it is gone): the caller then decides on its own.
bool IsHiddenOrSystemEntry(const std::filesystem::path& entry);
