// The simulator's upgrade state machine and its digest check, without sockets.
#include <gtest/gtest.h>

#include <cstring>

#include "SimMd5.h"
#include "SimUpgradePuller.h"

namespace {

struct Answer {
    std::int16_t piece;
    std::uint16_t count;
    std::uint8_t data[512];
};

Answer Count(std::uint16_t files) {
    return Answer{-1, files, {}};
}
Answer Header(std::uint16_t pieces, const std::string& name, const std::string& digest) {
    Answer a{0, pieces, {}};
    std::memcpy(a.data, name.data(), name.size());
    std::memcpy(a.data + 128, digest.data(), std::min<std::size_t>(digest.size(), 32));
    return a;
}
Answer Piece(std::int16_t k, const std::string& bytes) {
    Answer a{k, static_cast<std::uint16_t>(bytes.size()), {}};
    std::memcpy(a.data, bytes.data(), std::min<std::size_t>(bytes.size(), 512));
    return a;
}

SimUpgradePuller::Reply Feed(SimUpgradePuller& p, const Answer& a) {
    return p.OnData(SimUpgradeData{a.piece, a.count, a.data});
}

TEST(SimMd5Test, KnownDigestsAndCaseInsensitiveCompare) {
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(SimMd5Hex(nullptr, 0), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(SimMd5Hex(abc, 3), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_TRUE(SimDigestTextMatches("900150983CD24FB0D6963F7D28E17F72",
                                     "900150983cd24fb0d6963f7d28e17f72"));
    EXPECT_FALSE(SimDigestTextMatches("900150983cd24fb0d6963f7d28e17f7",
                                      "900150983cd24fb0d6963f7d28e17f72"));
    EXPECT_FALSE(SimDigestTextMatches(std::string(32, 'g'), std::string(32, 'g')));
}

TEST(SimUpgradePullerTest, AnswersThatMatchNoOpenRequestAreIgnored) {
    SimUpgradePuller p;
    EXPECT_EQ(Feed(p, Count(1)).step, SimUpgradePuller::Step::Stray) << "not started";
    p.Start();
    EXPECT_EQ(Feed(p, Piece(1, "x")).step, SimUpgradePuller::Step::Stray);
    ASSERT_EQ(Feed(p, Count(1)).step, SimUpgradePuller::Step::Next);
    EXPECT_EQ(Feed(p, Count(1)).step, SimUpgradePuller::Step::Stray) << "header expected";
    const std::string content = "hello";
    auto r =
        Feed(p, Header(1, "a.bin", SimMd5Hex(reinterpret_cast<const std::uint8_t*>("hello"), 5)));
    ASSERT_EQ(r.step, SimUpgradePuller::Step::Next);
    EXPECT_EQ(r.next.fileSerial, 1);
    EXPECT_EQ(r.next.serialNum, 1);
    EXPECT_EQ(Feed(p, Piece(2, content)).step, SimUpgradePuller::Step::Stray);
    r = Feed(p, Piece(1, content));
    EXPECT_EQ(r.step, SimUpgradePuller::Step::Done);
    ASSERT_TRUE(r.fileDone);
    EXPECT_TRUE(r.fileDone->verified);
    EXPECT_TRUE(p.Succeeded());
    EXPECT_FALSE(p.Active());
}

TEST(SimUpgradePullerTest, BadOffersFailTheUpgrade) {
    const std::string digest = SimMd5Hex(reinterpret_cast<const std::uint8_t*>("x"), 1);
    const struct {
        const char* what;
        std::vector<Answer> answers;
        std::size_t filesRecorded;
    } kCases[] = {
        {"no files", {Count(0)}, 0},
        {"file without pieces", {Count(1), Header(0, "a", digest)}, 1},
        {"piece of length 0", {Count(1), Header(1, "a", digest), Piece(1, "")}, 1},
        {"digest of other bytes", {Count(1), Header(1, "a", digest), Piece(1, "y")}, 1},
    };
    for (const auto& k : kCases) {
        SCOPED_TRACE(k.what);
        SimUpgradePuller p;
        p.Start();
        SimUpgradePuller::Reply r;
        for (const Answer& a : k.answers) {
            r = Feed(p, a);
        }
        EXPECT_EQ(r.step, SimUpgradePuller::Step::Done);
        EXPECT_FALSE(p.Succeeded());
        EXPECT_FALSE(p.FailureReason().empty());
        EXPECT_EQ(p.Files().size(), k.filesRecorded);
    }
}

TEST(SimUpgradePullerTest, AFailedFileDoesNotStopTheNextOne) {
    SimUpgradePuller p;
    p.Start();
    Feed(p, Count(2));
    auto r = Feed(p, Header(0, "empty.bin", ""));
    ASSERT_EQ(r.step, SimUpgradePuller::Step::Next);
    EXPECT_EQ(r.next.fileSerial, 2);
    EXPECT_EQ(r.next.serialNum, 0);
    Feed(p, Header(1, "b.bin", SimMd5Hex(reinterpret_cast<const std::uint8_t*>("b"), 1)));
    r = Feed(p, Piece(1, "b"));
    EXPECT_EQ(r.step, SimUpgradePuller::Step::Done);
    ASSERT_EQ(p.Files().size(), 2u);
    EXPECT_FALSE(p.Files()[0].verified);
    EXPECT_TRUE(p.Files()[1].verified);
    EXPECT_FALSE(p.Succeeded());
}

TEST(SimUpgradePullerTest, DigestCoversEveryPieceOfThisTryOnly) {
    const auto md5 = [](const char* text) {
        return SimMd5Hex(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text));
    };
    const struct {
        const char* what;
        std::vector<Answer> answers;
        bool verified;
        std::size_t size;
    } kCases[] = {
        {"pieces in order", {Header(2, "a", md5("abcd")), Piece(1, "ab"), Piece(2, "cd")}, true, 4},
        {"order matters", {Header(2, "a", md5("cdab")), Piece(1, "ab"), Piece(2, "cd")}, false, 4},
        // A new invitation restarts the pull: the bytes of the broken try are not digested.
        {"restarted mid-file",
         {Header(2, "a", md5("abcd")), Piece(1, "zz"), Count(1), Header(2, "a", md5("abcd")),
          Piece(1, "ab"), Piece(2, "cd")},
         true,
         4},
    };
    for (const auto& k : kCases) {
        SCOPED_TRACE(k.what);
        SimUpgradePuller p;
        p.Start();
        Feed(p, Count(1));
        for (const Answer& a : k.answers) {
            if (a.piece == -1) {
                p.Start();
            }
            Feed(p, a);
        }
        ASSERT_EQ(p.Files().size(), 1u);
        EXPECT_EQ(p.Files()[0].verified, k.verified);
        EXPECT_EQ(p.Files()[0].size, k.size);
    }
}

}  // namespace
