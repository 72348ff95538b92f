#include "SimMonitorConfig.h"

#include <cstdio>

SimMonitorConfig SimMonitorConfig::ForIndex(const SimMonitorConfig& base, int index,
                                            const std::string& namePrefix, std::uint32_t salt) {
    SimMonitorConfig c = base;
    const std::uint32_t n = static_cast<std::uint32_t>(index) + 1;
    // The tool keys monitors by the GUID with Data1 zeroed, so the index lives in the other bytes;
    // Data4 bytes are kept non-zero so that no derived GUID is ever rejected.
    c.guid.Data1 = 0x5A523430;
    c.guid.Data2 = static_cast<std::uint16_t>(n & 0xFFFF);
    c.guid.Data3 = static_cast<std::uint16_t>(n >> 16);
    c.guid.Data4[0] = 'S';
    c.guid.Data4[1] = 'I';
    c.guid.Data4[2] = 'M';
    c.guid.Data4[3] = '0';
    for (int i = 0; i < 4; ++i) {
        c.guid.Data4[4 + i] = static_cast<std::uint8_t>((salt >> (8 * i)) & 0xFF) | 0x01;
    }
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03u", static_cast<unsigned>(n));
    c.deviceName = namePrefix + digits;
    c.patient.bedNo = static_cast<std::uint16_t>(n);
    c.wifi.deviceIp[3] = static_cast<std::uint8_t>(n & 0xFF);
    c.seed = base.seed + n;
    return c;
}
