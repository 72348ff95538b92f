#pragma once
// One entry of the list a monitor reports with item 0x0054; stored as reported.
#include <cstdint>

#include "foundation/WideText.h"

struct ReportedEntry {
    WChar name[40]{};
    std::uint8_t kind = 0;  // reported value + 1
    std::uint16_t word1 = 0;
    std::uint32_t dword = 0;
    std::uint16_t word2 = 0;
};
