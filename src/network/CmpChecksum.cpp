#include "network/CmpChecksum.h"

int CmpChecksum(const std::uint8_t* bytes, std::int32_t length) {
    std::uint32_t sum = 0;
    if (bytes != nullptr && length > 0) {
        const std::int32_t words = length / 2;
        for (std::int32_t i = 0; i < words; ++i) {
            sum += static_cast<std::uint32_t>(bytes[2 * i]) |
                   (static_cast<std::uint32_t>(bytes[2 * i + 1]) << 8);
        }
        if ((length & 1) != 0) {
            sum += bytes[length - 1];
        }
    }
    while (sum > 0xFFFF) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<int>(~sum & 0xFFFF);
}
