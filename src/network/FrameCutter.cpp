#include "network/FrameCutter.h"

#include "network/CmpPacketHead.h"

// The one's-complement sum of a byte range is its word sum taken mod 0xFFFF (0 and 0xFFFF being
// the same value). prefix_[x] holds, mod 0xFFFF, the sum of the words starting at x-2, x-4, ...
// down to the same parity as x, so any candidate's sum is one difference of two entries. A
// candidate always has a nonzero sum (its first word, len, is at least 8), so its checksum is 0
// exactly when that sum is 0 mod 0xFFFF.

namespace {

constexpr std::uint32_t kModulus = 0xFFFF;

}  // namespace

FrameCutter::FrameCutter(std::size_t maxFrameLength) : maxFrameLength_(maxFrameLength) {}

std::size_t FrameCutter::Cut(const std::uint8_t* window, std::size_t n, const Consumer& consumer) {
    if (window == nullptr || n < kCmpHeadSize) {
        return 0;
    }
    if (prefix_.size() < n + 1) {
        prefix_.resize(n + 1);
    }
    std::uint32_t* prefix = prefix_.data();
    prefix[0] = 0;
    prefix[1] = 0;
    std::size_t built = 1;  // prefix[0..built] are valid

    // Extends the prefix table so that prefix[upTo] is valid (upTo <= n).
    auto ensure = [&](std::size_t upTo) {
        while (built < upTo) {
            const std::size_t x = built + 1;
            std::uint32_t v = prefix[x - 2] + ReadLe16(window + x - 2);
            if (v >= kModulus) {
                v -= kModulus;
            }
            prefix[x] = v;
            built = x;
        }
    };

    std::size_t p = 0;
    while (n - p >= kCmpHeadSize) {
        const std::size_t len = ReadLe16(window + p);
        if (len < kCmpHeadSize || len > maxFrameLength_) {
            ++p;
            continue;
        }
        if (len > n - p) {
            break;  // incomplete: kept for the next pass
        }
        const std::size_t evenEnd = p + (len & ~static_cast<std::size_t>(1));
        ensure(evenEnd);
        std::uint32_t sum = prefix[evenEnd] + kModulus - prefix[p];
        if ((len & 1) != 0) {
            sum += window[p + len - 1];
        }
        if (sum % kModulus != 0) {
            ++p;
            continue;
        }
        const std::uint8_t* frame = window + p;
        p += len;
        if (!consumer(frame, len)) {
            break;
        }
    }
    return p;
}
