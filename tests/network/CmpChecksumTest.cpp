#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"

namespace {

// The words summed without any folding shortcut, for comparison.
int ReferenceChecksum(const std::vector<std::uint8_t>& b) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        sum += b[i] | (b[i + 1] << 8);
    }
    if (b.size() % 2 == 1) {
        sum += b.back();
    }
    while (sum > 0xFFFF) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<int>(~sum & 0xFFFF);
}

int Checksum(const std::vector<std::uint8_t>& b) {
    return CmpChecksum(b.data(), static_cast<std::int32_t>(b.size()));
}

}  // namespace

TEST(CmpChecksumTest, WorkedExampleInvitation) {
    std::vector<std::uint8_t> frame = {0x09, 0x00, 0x13, 0x01, 0x01, 0x00, 0x00, 0x00, 0x01};
    EXPECT_EQ(Checksum(frame), 0xFEE1);
    WriteLe16(frame.data() + 6, 0xFEE1);
    EXPECT_EQ(frame,
              (std::vector<std::uint8_t>{0x09, 0x00, 0x13, 0x01, 0x01, 0x00, 0xE1, 0xFE, 0x01}));
    EXPECT_EQ(Checksum(frame), 0);
}

TEST(CmpChecksumTest, KnownSums) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int expected;
    };
    const std::vector<Case> cases = {
        {"empty", {}, 0xFFFF},
        {"odd byte is not shifted", {0x01}, 0xFFFE},
        {"odd tail after a word", {0x00, 0x01, 0x02}, 0xFEFD},
        {"one word", {0x34, 0x12}, 0xEDCB},
        {"all zero", std::vector<std::uint8_t>(64, 0x00), 0xFFFF},
        {"two 0xFFFF words fold to 0xFFFF", {0xFF, 0xFF, 0xFF, 0xFF}, 0x0000},
        {"carry folds back in", {0xFF, 0xFF, 0x01, 0x00}, 0xFFFE},
        {"0xFF odd tail", {0xFF, 0xFF, 0xFF}, 0xFF00},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Checksum(c.bytes), c.expected) << c.name;
        EXPECT_EQ(Checksum(c.bytes), ReferenceChecksum(c.bytes)) << c.name;
    }
}

TEST(CmpChecksumTest, EveryCompletedFrameSumsToZero) {
    // All sendable lengths, odd and even, with bodies of ordinary bytes, of 0xFF (many folds)
    // and of zeros.
    for (int fill : {-1, 0x00, 0xFF}) {
        for (std::size_t body = 1; body <= kCmpMaxBody; ++body) {
            std::vector<std::uint8_t> frame(kCmpHeadSize + body);
            for (std::size_t i = kCmpHeadSize; i < frame.size(); ++i) {
                frame[i] = fill < 0 ? static_cast<std::uint8_t>(i * 37 + body) : fill;
            }
            WriteLe16(frame.data(), static_cast<std::uint16_t>(frame.size()));
            WriteLe16(frame.data() + 2, 0xFFFF);
            WriteLe16(frame.data() + 4, 0xFFFF);
            const int sum = Checksum(frame);
            ASSERT_EQ(sum, ReferenceChecksum(frame)) << body;
            WriteLe16(frame.data() + 6, static_cast<std::uint16_t>(sum));
            ASSERT_EQ(Checksum(frame), 0) << "fill " << fill << " body " << body;
        }
    }
}
