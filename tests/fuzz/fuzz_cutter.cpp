// Feeds the input to a frame cutter in receive-sized chunks, keeping the unconsumed tail as a
// receiver does, and checks every delivered frame. Small inputs are also compared, pass by
// pass, with the rule written out plainly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "LiteralCut.h"
#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"
#include "network/FrameCutter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    // First byte: chunk size (low 6 bits, +1), limit choice and early stop.
    const std::size_t chunk = static_cast<std::size_t>(data[0] & 0x3F) + 1;
    const std::size_t maxLen = (data[0] & 0x40) != 0 ? 511 : 16383;
    const std::size_t stopAfter = (data[0] & 0x80) != 0 ? 1 : 0;
    const std::uint8_t* stream = data + 1;
    const std::size_t length = size - 1;
    const bool compare = length <= 4096;

    static FrameCutter session(16383);
    static FrameCutter handshake(511);
    FrameCutter& cutter = maxLen == 511 ? handshake : session;

    std::vector<std::uint8_t> window;
    for (std::size_t fed = 0; fed < length;) {
        const std::size_t take = std::min(chunk, length - fed);
        window.insert(window.end(), stream + fed, stream + fed + take);
        fed += take;

        std::vector<Cut> got;
        const std::size_t used =
            cutter.Cut(window.data(), window.size(), [&](const std::uint8_t* f, std::size_t n) {
                Check(f >= window.data() && f + n <= window.data() + window.size());
                Check(n >= 8 && n <= maxLen && ReadLe16(f) == n);
                Check(CmpChecksum(f, static_cast<std::int32_t>(n)) == 0);
                got.emplace_back(static_cast<std::size_t>(f - window.data()), n);
                return got.size() != stopAfter;
            });
        Check(used <= window.size());
        if (compare) {
            std::vector<Cut> expected;
            Check(LiteralCut(window.data(), window.size(), maxLen, stopAfter, expected) == used);
            Check(expected == got);
        }
        window.erase(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(used));
        // The tail is never longer than the largest frame that could still arrive.
        Check(window.size() < maxLen || stopAfter != 0);
    }
    return 0;
}
