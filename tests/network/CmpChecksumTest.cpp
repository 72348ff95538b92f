#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"

namespace {

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
        // 600 words 0x0101: 154200 = 0x2'5A58, folded 0x5A5A.
        {"many carries fold", std::vector<std::uint8_t>(1200, 0x01), 0xA5A5},
        {"many 0xFFFF words", std::vector<std::uint8_t>(2000, 0xFF), 0x0000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Checksum(c.bytes), c.expected) << c.name;
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
            WriteLe16(frame.data() + 6, static_cast<std::uint16_t>(sum));
            ASSERT_EQ(Checksum(frame), 0) << "fill " << fill << " body " << body;
        }
    }
}
