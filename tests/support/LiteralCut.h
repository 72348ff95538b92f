#pragma once
// The frame-cutting rule written out plainly, one checksum pass per candidate, to compare the
// real cutter with (unit tests and the fuzz target).
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"

using Cut = std::pair<std::size_t, std::size_t>;  // offset, length

// The frames in w[0..n) as (offset, length), stopping after stopAfter frames (0: never); returns
// how many bytes are consumed.
inline std::size_t LiteralCut(const std::uint8_t* w, std::size_t n, std::size_t maxLen,
                              std::size_t stopAfter, std::vector<Cut>& out) {
    std::size_t p = 0;
    while (n - p >= 8) {
        const std::size_t len = ReadLe16(w + p);
        if (len < 8 || len > maxLen) {
            ++p;
            continue;
        }
        if (len > n - p) {
            break;
        }
        if (CmpChecksum(w + p, static_cast<std::int32_t>(len)) != 0) {
            ++p;
            continue;
        }
        out.emplace_back(p, len);
        p += len;
        if (out.size() == stopAfter) {
            break;
        }
    }
    return p;
}
