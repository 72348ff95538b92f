#pragma once
// One byte per module index 0..25 (1 ECG, 2 RESP, 4 SPO2, ...), as a monitor reports them.
#include <cstddef>
#include <cstdint>

inline constexpr int kModuleIndexCount = 26;

struct ModuleMask {
    std::uint8_t module[kModuleIndexCount]{};

    std::uint8_t& operator[](std::size_t i) { return module[i]; }
    std::uint8_t operator[](std::size_t i) const { return module[i]; }
    void Fill(std::uint8_t value) {
        for (std::uint8_t& m : module) {
            m = value;
        }
    }
};
static_assert(sizeof(ModuleMask) == kModuleIndexCount);
