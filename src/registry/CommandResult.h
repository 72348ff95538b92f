#pragma once
// The last command result (command 0x0120) a monitor reported.
#include <cstdint>

// Internal codes (`code`) of the results that acknowledge the pages' orders.
inline constexpr std::int32_t kResultDeviceName = 10;  // attribute item 0x0050
inline constexpr std::int32_t kResultWifi = 11;        // attribute item 0x0053
inline constexpr std::int32_t kResultModuleSet = 15;   // command 0x0012
inline constexpr std::int32_t kResultServer = 17;      // attribute item 0x0056
inline constexpr std::int32_t kResultReconnect = 23;   // attribute item 0x0059

struct CommandResult {
    std::int32_t code = 0;    // internal code of the acknowledged command, -1 for any other
    std::int32_t detail = 0;  // extra value for some codes
    std::int32_t result = 0;  // 0 success, -1 anything else
    std::int32_t timeLow = 0;
    std::int32_t timeHigh = 0;
};
