#pragma once
// The last command result (command 0x0120) a monitor reported.
#include <cstdint>

struct CommandResult {
    std::int32_t code = 0;    // internal code of the acknowledged command, -1 for any other
    std::int32_t detail = 0;  // extra value for some codes
    std::int32_t result = 0;  // 0 success, -1 anything else
    std::int32_t timeLow = 0;
    std::int32_t timeHigh = 0;
};
