#include "platform/ComputerIdentity.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

std::string ComputerName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return std::string();
    }
    return name;
}

std::string OperatingSystemUser() {
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_name != nullptr) {
        return found->pw_name;
    }
    const char* user = std::getenv("USER");
    return user != nullptr ? user : std::string();
}
