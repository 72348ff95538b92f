#include "platform/UserFolders.h"

#include <cstdlib>
#include <filesystem>

#include "platform/Utf8Path.h"

namespace {

// $variable when it holds an absolute path, else ~/fallback; empty without a home.
std::filesystem::path BaseFolder(const char* variable, const char* fallback) {
    if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/') {
        return PathFromUtf8(value);
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        return PathFromUtf8(home) / fallback;
    }
    return {};
}

std::string In(const std::filesystem::path& base) {
    return base.empty() ? std::string() : Utf8FromPath(base / "zr40tool");
}

}  // namespace

std::string UserConfigFolder() {
    return In(BaseFolder("XDG_CONFIG_HOME", ".config"));
}

std::string UserLogFolder() {
    return In(BaseFolder("XDG_STATE_HOME", ".local/state"));
}

bool IsProtectedFolder(const std::string& folder) {
    const std::filesystem::path path = PathFromUtf8(folder.empty() ? "." : folder);
    for (const char* system : {"/usr", "/opt", "/bin", "/sbin", "/lib", "/etc"}) {
        if (PathIsWithin(path, system, false)) {
            return true;
        }
    }
    return false;
}
