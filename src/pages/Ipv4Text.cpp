#include "pages/Ipv4Text.h"

#include "platform/SocketAddr.h"

namespace Ipv4Text {

std::uint32_t Parse(const std::string& dotted) {
    std::uint32_t a = 0;
    return ParseDottedIpv4(dotted, a) ? a : 0xFFFFFFFFu;
}

std::string Format(std::uint32_t networkOrder) {
    return FormatDottedIpv4(networkOrder);
}

bool IsUsableHost(std::uint32_t networkOrder) {
    const auto* b = reinterpret_cast<const unsigned char*>(&networkOrder);
    return b[0] >= 1 && b[0] <= 254 && b[3] >= 1 && b[3] <= 254;
}

}  // namespace Ipv4Text
