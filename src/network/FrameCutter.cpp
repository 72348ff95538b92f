#include "network/FrameCutter.h"

#include <algorithm>

#include "network/CmpPacketHead.h"

// The one's-complement sum of a byte range is its plain word sum taken mod 0xFFFF (0 and 0xFFFF
// being the same value), so each candidate's sum is one difference of two prefix sums.
// prefix_[x] holds the sum of the words starting at x-2, x-4, ... down to x's parity: one table
// serves both alignments. Differences are exact mod 2^32 and a frame's sum stays below 2^32. A
// candidate's sum is never zero (its first word, len, is at least 8), so its checksum is 0
// exactly when that sum is a multiple of 0xFFFF.

namespace {

// Prefix sums are built ahead in runs of this many entries, so a consumer that ends the pass
// early has not paid for the whole window.
constexpr std::size_t kPrefixRun = 2048;

// x is a multiple of the odd number 0xFFFF exactly when x times its inverse mod 2^32 is at most
// (2^32 - 1) / 0xFFFF; one multiplication instead of a division per candidate.
constexpr std::uint32_t kInverseOfFFFF = 0xFFFEFFFFu;
constexpr std::uint32_t kMultiplesBound = 0xFFFFFFFFu / 0xFFFFu;
static_assert(static_cast<std::uint32_t>(0xFFFFu * kInverseOfFFFF) == 1u);

bool IsMultipleOfFFFF(std::uint32_t x) {
    return static_cast<std::uint32_t>(x * kInverseOfFFFF) <= kMultiplesBound;
}

}  // namespace

FrameCutter::FrameCutter(std::size_t maxFrameLength) : maxFrameLength_(maxFrameLength) {}

std::size_t FrameCutter::Cut(const std::uint8_t* window, std::size_t n, const Consumer& consumer) {
    if (window == nullptr || n < kCmpHeadSize) {
        return 0;
    }
    if (prefix_.size() < n + 1) {
        prefix_.resize(n + 1);
    }
    std::uint32_t* const prefix = prefix_.data();
    prefix[0] = 0;
    prefix[1] = 0;
    std::size_t built = 1;  // prefix[0..built] are valid
    // Lengths from 8 to maxLen start a frame: one unsigned comparison of len - 8.
    const std::size_t lenSpan = maxFrameLength_ < kCmpHeadSize ? 0 : maxFrameLength_ - kCmpHeadSize;
    const bool anyLength = maxFrameLength_ >= kCmpHeadSize;

    std::size_t p = 0;
    while (n - p >= kCmpHeadSize) {
        // Branch-light scan over candidates whose frame lies inside the built prefix: an
        // implausible length is masked to 0 so it never hits and reads nothing out of range.
        while (n - p >= kCmpHeadSize) {
            const std::size_t raw = ReadLe16(window + p);
            const std::size_t mask =
                anyLength && raw - kCmpHeadSize <= lenSpan ? ~std::size_t{0} : 0;
            const std::size_t l = raw & mask;
            if (p + l > built) {
                break;  // needs more prefix or more data: the careful path below decides
            }
            const std::uint32_t odd =
                window[p + l - (l != 0)] & (0u - static_cast<std::uint32_t>(l & 1));
            const std::uint32_t sum =
                prefix[p + (l & ~static_cast<std::size_t>(1))] - prefix[p] + odd;
            if ((mask != 0) & IsMultipleOfFFFF(sum)) {
                break;
            }
            ++p;
        }
        if (n - p < kCmpHeadSize) {
            break;
        }
        const std::size_t len = ReadLe16(window + p);
        if (!anyLength || len - kCmpHeadSize > lenSpan) {
            ++p;
            continue;
        }
        if (len > n - p) {
            break;  // incomplete: kept for the next pass
        }
        const std::size_t evenEnd = p + (len & ~static_cast<std::size_t>(1));
        if (built < evenEnd) {
            const std::size_t target = std::min(n, std::max(evenEnd, built + kPrefixRun));
            for (std::size_t x = built + 1; x <= target; ++x) {
                prefix[x] = prefix[x - 2] + ReadLe16(window + x - 2);
            }
            built = target;
        }
        // An odd length adds its last byte unshifted.
        const std::uint32_t oddByte =
            window[p + len - 1] & (0u - static_cast<std::uint32_t>(len & 1));
        if (!IsMultipleOfFFFF(prefix[evenEnd] - prefix[p] + oddByte)) {
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
