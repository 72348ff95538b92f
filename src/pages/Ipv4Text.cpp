#include "pages/Ipv4Text.h"

#include <arpa/inet.h>

namespace Ipv4Text {

std::uint32_t Parse(const std::string& dotted) {
    in_addr a{};
    if (::inet_pton(AF_INET, dotted.c_str(), &a) != 1) {
        return 0xFFFFFFFFu;
    }
    return a.s_addr;
}

std::string Format(std::uint32_t networkOrder) {
    in_addr a{};
    a.s_addr = networkOrder;
    char text[INET_ADDRSTRLEN] = {};
    if (::inet_ntop(AF_INET, &a, text, sizeof(text)) == nullptr) {
        return std::string();
    }
    return text;
}

bool IsUsableHost(std::uint32_t networkOrder) {
    const auto* b = reinterpret_cast<const unsigned char*>(&networkOrder);
    return b[0] >= 1 && b[0] <= 254 && b[3] >= 1 && b[3] <= 254;
}

}  // namespace Ipv4Text
