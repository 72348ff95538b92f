#pragma once
// One's-complement sum of little-endian 16-bit words, as in the Internet checksum; an odd last
// byte is added unshifted. A frame is valid when the checksum over all its bytes is 0.
#include <cstdint>

int CmpChecksum(const std::uint8_t* bytes, std::int32_t length);
