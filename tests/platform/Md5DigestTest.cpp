// This platform's MD5 against published digests, whole and fed in pieces.
#include "platform/Md5Digest.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string HexOf(const std::string& text) {
    return Md5Digest::Hex(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

TEST(Md5DigestTest, KnownDigests) {
    struct Case {
        std::string text;
        const char* hex;
    } const cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"The quick brown fox jumps over the lazy dog", "9e107d9d372bb6826bd81d3542a419d6"},
        {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HexOf(c.text), c.hex) << c.text.size();
        // in uneven pieces, as firmware is read
        Md5Digest digest;
        for (std::size_t at = 0; at < c.text.size(); at += 4093) {
            const std::size_t n = std::min<std::size_t>(4093, c.text.size() - at);
            ASSERT_TRUE(
                digest.Update(reinterpret_cast<const std::uint8_t*>(c.text.data()) + at, n));
        }
        EXPECT_EQ(digest.FinishHex(), c.hex);
        EXPECT_EQ(digest.FinishHex(), "");  // spent
    }
}

}  // namespace
