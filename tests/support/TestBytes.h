#pragma once
// Byte strings for wire tests: joining pieces and building whole CMP frames.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"

using Bytes = std::vector<std::uint8_t>;

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

inline Bytes TextBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// A frame with its length and checksum filled in.
inline Bytes MakeFrame(std::uint16_t cmd, const Bytes& body, std::uint16_t serial = 0) {
    Bytes f(kCmpHeadSize);
    f.insert(f.end(), body.begin(), body.end());
    WriteLe16(f.data(), static_cast<std::uint16_t>(f.size()));
    WriteLe16(f.data() + 2, cmd);
    WriteLe16(f.data() + 4, serial);
    WriteLe16(f.data() + 6, static_cast<std::uint16_t>(
                                CmpChecksum(f.data(), static_cast<std::int32_t>(f.size()))));
    return f;
}

// One received frame taken apart.
struct ParsedFrame {
    std::uint16_t len = 0, cmd = 0, serial = 0;
    bool checksumOk = false;
    Bytes body;
};

inline ParsedFrame ParseFrame(const Bytes& whole) {
    ParsedFrame f;
    if (whole.size() < kCmpHeadSize) {
        return f;
    }
    const CmpPacketHead head = ReadCmpHead(whole.data());
    f.len = head.len;
    f.cmd = head.cmd;
    f.serial = head.serial;
    f.checksumOk = CmpChecksum(whole.data(), static_cast<std::int32_t>(whole.size())) == 0;
    f.body.assign(whole.begin() + kCmpHeadSize, whole.end());
    return f;
}
