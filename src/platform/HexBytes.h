#pragma once
// Bytes as lower-case hexadecimal text, the form digests are written and compared in.
#include <cstddef>
#include <string>

inline std::string HexBytes(const unsigned char* bytes, std::size_t count) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 0x0F];
    }
    return text;
}
