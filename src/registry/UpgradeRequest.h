#pragma once
// A monitor's upgrade request: the first 5 body bytes of its command 0x0113.
#include <cstdint>

#pragma pack(push, 1)
struct UpgradeRequest {
    std::int8_t fileSerial = 0;  // 1-based file of the upgrade file set
    std::int32_t serialNum = 0;  // -1 file count, 0 header piece, k > 0 data piece k
};
#pragma pack(pop)
static_assert(sizeof(UpgradeRequest) == 5);
