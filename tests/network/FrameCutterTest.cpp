#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "LiteralCut.h"
#include "TestBytes.h"
#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"
#include "network/FrameCutter.h"

namespace {

constexpr std::size_t kSessionMax = 16383;
constexpr std::size_t kHandshakeMax = 511;

Bytes FrameOfLength(std::size_t len, std::uint8_t fill, std::uint16_t serial = 1) {
    return MakeFrame(0x0113, Bytes(len - kCmpHeadSize, fill), serial);
}

std::size_t CutAll(FrameCutter& cutter, const Bytes& w, std::size_t stopAfter,
                   std::vector<Cut>& out) {
    return cutter.Cut(w.data(), w.size(), [&](const std::uint8_t* f, std::size_t len) {
        EXPECT_EQ(CmpChecksum(f, static_cast<std::int32_t>(len)), 0);
        out.emplace_back(static_cast<std::size_t>(f - w.data()), len);
        return out.size() != stopAfter;
    });
}

}  // namespace

TEST(FrameCutterTest, CuttingCases) {
    const Bytes invite = {0x09, 0x00, 0x13, 0x01, 0x01, 0x00, 0xE1, 0xFE, 0x01};
    const Bytes big = FrameOfLength(1455, 0x5A);
    const Bytes ff = FrameOfLength(300, 0xFF);
    Bytes badSum = invite;
    badSum[6] ^= 0x01;
    // A valid 256-byte frame one byte after a candidate of len 16 with a wrong checksum.
    const Bytes f256 = FrameOfLength(256, 0x33);
    const Bytes shifted = Concat({{0x10}, f256});
    ASSERT_NE(CmpChecksum(shifted.data(), 16), 0);

    struct Case {
        const char* name;
        Bytes window;
        std::size_t maxLen;
        std::size_t stopAfter;  // 0: never stop
        std::vector<Cut> frames;
        std::size_t consumed;
    };
    const std::vector<Case> cases = {
        {"empty", {}, kSessionMax, 0, {}, 0},
        {"seven bytes", Bytes(invite.begin(), invite.begin() + 7), kSessionMax, 0, {}, 0},
        {"worked example", invite, kSessionMax, 0, {{0, 9}}, 9},
        {"garbage then frame",
         Concat({{0x00, 0x03, 0x00, 0x07}, invite}),
         kHandshakeMax,
         0,
         {{4, 9}},
         13},
        {"frames back to back, odd and even",
         Concat({invite, big, ff}),
         kSessionMax,
         0,
         {{0, 9}, {9, 1455}, {1464, 300}},
         1764},
        {"incomplete frame kept",
         Concat({invite, Bytes(big.begin(), big.begin() + 100)}),
         kSessionMax,
         0,
         {{0, 9}},
         9},
        {"short tail kept",
         Concat({invite, Bytes(big.begin(), big.begin() + 5)}),
         kSessionMax,
         0,
         {{0, 9}},
         9},
        {"wrong checksum not delivered", Concat({badSum, Bytes(8, 0)}), kHandshakeMax, 0, {}, 2},
        {"search resumes one byte on", shifted, kSessionMax, 0, {{1, 256}}, 257},
        {"len above the limit steps",
         Concat({{0x00, 0x02}, invite}),
         kHandshakeMax,
         0,
         {{2, 9}},
         11},
        {"len at the limit waits", Concat({{0xFF, 0x01}, invite}), kHandshakeMax, 0, {}, 0},
        {"len below 8 steps", Concat({{0x07, 0x00}, invite}), kHandshakeMax, 0, {{2, 9}}, 11},
        {"all zero", Bytes(32, 0x00), kSessionMax, 0, {}, 25},
        {"0xFF flood", Bytes(100, 0xFF), kSessionMax, 0, {}, 93},
        {"consumer stops early", Concat({invite, invite, invite}), kSessionMax, 1, {{0, 9}}, 9},
        {"consumer stops after second",
         Concat({invite, big, invite}),
         kSessionMax,
         2,
         {{0, 9}, {9, 1455}},
         1464},
    };
    FrameCutter session(kSessionMax);
    FrameCutter handshake(kHandshakeMax);
    for (const Case& c : cases) {
        FrameCutter& cutter = c.maxLen == kSessionMax ? session : handshake;
        std::vector<Cut> got;
        EXPECT_EQ(CutAll(cutter, c.window, c.stopAfter, got), c.consumed) << c.name;
        EXPECT_EQ(got, c.frames) << c.name;
        std::vector<Cut> literal;
        EXPECT_EQ(LiteralCut(c.window.data(), c.window.size(), c.maxLen, c.stopAfter, literal),
                  c.consumed)
            << c.name;
        EXPECT_EQ(literal, c.frames) << c.name;
    }
}

// A receiver that keeps the unconsumed tail and is fed one byte at a time. One corrupted byte
// makes a misaligned header claim 49,152 bytes, more than any window holds; the scan must step
// over it instead of waiting until the receiver discards its tail with the good frames in it.
TEST(FrameCutterTest, CorruptedByteCostsOnlyItsFrame) {
    std::vector<Bytes> good;
    Bytes stream;
    for (int i = 0; i < 20; ++i) {
        good.push_back(MakeFrame(0x0120, Bytes(1 + (i * 53) % 400, static_cast<std::uint8_t>(i)),
                                 static_cast<std::uint16_t>(i)));
        if (i == 5) {
            Bytes broken = MakeFrame(0x00C0, Bytes(40, 0xF0), 99);
            broken[20] ^= 0x40;
            stream.insert(stream.end(), broken.begin(), broken.end());
        }
        stream.insert(stream.end(), good.back().begin(), good.back().end());
    }
    // Enough further data that every misaligned length the broken frame left behind has
    // been checked and rejected.
    for (std::uint16_t i = 100; stream.size() < 40000; ++i) {
        good.push_back(MakeFrame(0x0121, Bytes(400, static_cast<std::uint8_t>(i)), i));
        stream.insert(stream.end(), good.back().begin(), good.back().end());
    }

    for (std::size_t maxLen : {kSessionMax, kHandshakeMax}) {
        FrameCutter cutter(maxLen);
        Bytes window;
        std::vector<Bytes> delivered;
        for (std::uint8_t b : stream) {
            window.push_back(b);
            ASSERT_LE(window.size(), 16384u) << "the tail grew to the receiver's limit";
            const std::size_t used =
                cutter.Cut(window.data(), window.size(), [&](const std::uint8_t* f, std::size_t n) {
                    delivered.emplace_back(f, f + n);
                    return true;
                });
            window.erase(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(used));
        }
        EXPECT_EQ(delivered.size(), good.size()) << maxLen;
        for (std::size_t i = 0; i < std::min(delivered.size(), good.size()); ++i) {
            if (delivered[i] != good[i]) {
                ADD_FAILURE() << "frame " << i << " differs, len " << delivered[i].size() << " vs "
                              << good[i].size() << " max " << maxLen;
                break;
            }
        }
        EXPECT_TRUE(window.empty());
    }
}

TEST(FrameCutterTest, MatchesLiteralRuleOnRandomAndAdversarialStreams) {
    FrameCutter session(kSessionMax);
    FrameCutter handshake(kHandshakeMax);
    FrameCutter tiny(9);
    std::size_t totalFrames = 0;
    for (std::uint32_t seed = 0; seed < 400; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&](std::size_t lo, std::size_t hi) {
            return std::uniform_int_distribution<std::size_t>(lo, hi)(rng);
        };
        Bytes w;
        const std::size_t pieces = pick(1, 12);
        for (std::size_t i = 0; i < pieces; ++i) {
            switch (pick(0, 7)) {
                case 0:  // random garbage
                    for (std::size_t k = pick(1, 300); k > 0; --k) {
                        w.push_back(static_cast<std::uint8_t>(rng()));
                    }
                    break;
                case 1:  // plausible lengths everywhere, checksums wrong
                    w.insert(w.end(), pick(10, 3000), 0x05);
                    break;
                case 2:
                    w.insert(w.end(), pick(10, 500), 0xFF);
                    break;
                case 3:
                    w.insert(w.end(), pick(1, 300), 0x00);
                    break;
                case 4: {  // a frame with one corrupted byte
                    Bytes f = FrameOfLength(pick(9, 600), static_cast<std::uint8_t>(rng()));
                    f[pick(0, f.size() - 1)] ^= static_cast<std::uint8_t>(pick(1, 255));
                    w.insert(w.end(), f.begin(), f.end());
                    break;
                }
                case 5: {  // a frame full of 0xFF
                    const Bytes f = FrameOfLength(pick(9, 1455), 0xFF);
                    w.insert(w.end(), f.begin(), f.end());
                    break;
                }
                default: {
                    Bytes body(pick(1, 1447));
                    for (auto& b : body) {
                        b = static_cast<std::uint8_t>(rng());
                    }
                    const Bytes f = MakeFrame(static_cast<std::uint16_t>(rng()), body,
                                              static_cast<std::uint16_t>(seed));
                    w.insert(w.end(), f.begin(), f.end());
                }
            }
        }
        // Cut at a random point, as a receive call would.
        w.resize(pick(w.size() / 2, w.size()));
        const std::size_t stopAfter = seed % 3 == 0 ? pick(1, 3) : 0;
        for (FrameCutter* cutter : {&session, &handshake, &tiny}) {
            const std::size_t maxLen = cutter == &session     ? kSessionMax
                                       : cutter == &handshake ? kHandshakeMax
                                                              : 9;
            std::vector<Cut> expected;
            const std::size_t expectedUsed =
                LiteralCut(w.data(), w.size(), maxLen, stopAfter, expected);
            std::vector<Cut> got;
            ASSERT_EQ(CutAll(*cutter, w, stopAfter, got), expectedUsed) << "seed " << seed;
            ASSERT_EQ(got, expected) << "seed " << seed << " max " << maxLen;
            totalFrames += got.size();
        }
    }
    EXPECT_GT(totalFrames, 500u);  // the streams really carried frames
}
