#include "platform/UserFolders.h"

#include <cstdlib>
#include <filesystem>

#include "platform/Utf8Path.h"

namespace {

// The profile folders Windows puts in every user's environment; read there rather than asked
// of the shell so that a test (or an administrator) can point them elsewhere.
std::filesystem::path ProfileFolder(const wchar_t* variable) {
    const wchar_t* value = ::_wgetenv(variable);
    if (value == nullptr || value[0] == L'\0') {
        return {};
    }
    return std::filesystem::path(value);
}

}  // namespace

std::string UserConfigFolder() {
    const std::filesystem::path base = ProfileFolder(L"APPDATA");
    return base.empty() ? std::string() : Utf8FromPath(base / L"Zr40Tool");
}

std::string UserLogFolder() {
    const std::filesystem::path base = ProfileFolder(L"LOCALAPPDATA");
    return base.empty() ? std::string() : Utf8FromPath(base / L"Zr40Tool" / L"Logs");
}
