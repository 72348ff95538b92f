#pragma once
// The standard 16-byte GUID and the comparisons the pool index relies on.
#include <cstdint>
#include <cstring>

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16);

// The empty GUID: Data1 = -1000, every other byte 0. A GUID with that Data1 is "invalid".
inline GUID EmptyGuid() {
    GUID g{};
    g.Data1 = static_cast<std::uint32_t>(-1000);
    return g;
}

inline bool operator==(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, 16) == 0;
}
inline bool operator!=(const GUID& a, const GUID& b) {
    return !(a == b);
}

// Ordered by the 16 bytes compared one by one as unsigned bytes (in-memory order).
struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, 16) < 0; }
};
