#include "app/PortBaseArgument.h"

#include <cerrno>
#include <cstdlib>

#include "network/NetworkListenManager.h"

bool ParsePortBase(const std::string& text, int& base) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || value < 0 ||
        value > 65535 - kListenSlotCount + 1) {
        return false;
    }
    base = static_cast<int>(value);
    return true;
}
