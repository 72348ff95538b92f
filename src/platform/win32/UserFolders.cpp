#include "platform/UserFolders.h"

#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "platform/Utf8Path.h"

namespace {

// The profile and system folders Windows puts in every process's environment; read there rather
// than asked of the shell so that a test (or an administrator) can point them elsewhere.
std::filesystem::path ProfileFolder(const wchar_t* variable) {
    const wchar_t* value = ::_wgetenv(variable);
    if (value == nullptr || value[0] == L'\0') {
        return {};
    }
    return std::filesystem::path(value);
}

// The folder both installers record for the installed copy (it may lie outside Program Files).
std::filesystem::path RecordedInstallFolder() {
    wchar_t value[MAX_PATH + 1] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Zr40Tool", L"InstallDir", RRF_RT_REG_SZ,
                       nullptr, value, &size) != ERROR_SUCCESS) {
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

bool IsProtectedFolder(const std::string& folder) {
    const std::filesystem::path path = PathFromUtf8(folder.empty() ? "." : folder);
    for (const wchar_t* variable :
         {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432", L"SystemRoot"}) {
        if (const std::filesystem::path base = ProfileFolder(variable);
            !base.empty() && PathIsWithin(path, base, true)) {
            return true;
        }
    }
    const std::filesystem::path installed = RecordedInstallFolder();
    return !installed.empty() && PathIsWithin(path, installed, true);
}
