#include "platform/HiddenEntry.h"

bool IsHiddenOrSystemEntry(const std::filesystem::path& entry) {
    const std::string name = entry.filename().string();
    return !name.empty() && name[0] == '.' && name != "." && name != "..";
}
