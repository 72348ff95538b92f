#pragma once
// The 8-byte header at the start of every CMP frame. All fields are little-endian on the wire;
// read and write them with the helpers below rather than by casting a buffer.
#include <cstddef>
#include <cstdint>

struct CmpPacketHead {
    std::uint16_t len;       // 8 + body length
    std::uint16_t cmd;       // command code
    std::uint16_t serial;    // sender's serial number
    std::uint16_t checksum;  // CmpChecksum over the frame with this field 0
};

inline constexpr std::size_t kCmpHeadSize = 8;
// A sent body has 1 to 1447 bytes.
inline constexpr std::size_t kCmpMaxBody = 1447;
inline constexpr std::size_t kCmpMaxFrame = kCmpHeadSize + kCmpMaxBody;

inline std::uint16_t ReadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void WriteLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void WriteLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
    }
}

inline CmpPacketHead ReadCmpHead(const std::uint8_t* frame) {
    return CmpPacketHead{ReadLe16(frame), ReadLe16(frame + 2), ReadLe16(frame + 4),
                         ReadLe16(frame + 6)};
}
