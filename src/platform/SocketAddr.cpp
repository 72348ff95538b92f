#include "platform/SocketAddr.h"

bool ParseDottedIpv4(const std::string& dotted, std::uint32_t& networkOrder) {
    std::uint8_t octets[4] = {};
    std::size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= dotted.size() || dotted[i] != '.') {
                return false;
            }
            ++i;
        }
        const std::size_t start = i;
        unsigned value = 0;
        while (i < dotted.size() && dotted[i] >= '0' && dotted[i] <= '9' && i - start < 3) {
            value = value * 10 + static_cast<unsigned>(dotted[i] - '0');
            ++i;
        }
        const std::size_t digits = i - start;
        if (digits == 0 || value > 255 || (digits > 1 && dotted[start] == '0')) {
            return false;
        }
        octets[part] = static_cast<std::uint8_t>(value);
    }
    if (i != dotted.size()) {
        return false;
    }
    networkOrder = HostToNet32((static_cast<std::uint32_t>(octets[0]) << 24) |
                               (static_cast<std::uint32_t>(octets[1]) << 16) |
                               (static_cast<std::uint32_t>(octets[2]) << 8) | octets[3]);
    return true;
}

std::string FormatDottedIpv4(std::uint32_t networkOrder) {
    std::string text;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            text += '.';
        }
        text += std::to_string((NetToHost32(networkOrder) >> (24 - 8 * part)) & 0xFFu);
    }
    return text;
}
