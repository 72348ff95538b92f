#include "foundation/Md5Companion.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

const std::string kLower = "d41d8cd98f00b204e9800998ecf8427e";
const std::string kUpper = "D41D8CD98F00B204E9800998ECF8427E";
const std::string kPairs = "d4 1d 8c d9 8f 00 b2 04 e9 80 09 98 ec f8 42 7e";
const std::string kCertHead = "MD5 hash of fw.bin:\r\n";
const std::string kCertFoot = "\r\nCertUtil: -hashfile command completed successfully.\r\n";

TEST(Md5CompanionTest, LayoutsOfTheUsualTools) {
    const std::optional<std::string> none;
    struct Case {
        const char* what;
        std::string text;
        std::optional<std::string> digest;
    };
    const std::vector<Case> cases = {
        {"plain 32 bytes", kLower, kLower},
        {"plain upper case", kUpper, kUpper},
        {"md5sum text mode", kLower + "  fw.bin\n", kLower},
        {"md5sum binary mode", kUpper + " *fw.bin\n", kUpper},
        {"leading white space", "\r\n \t" + kLower + "\n", kLower},
        {"certutil", kCertHead + kUpper + kCertFoot, kUpper},
        {"certutil, pairs", kCertHead + kPairs + kCertFoot, kLower},
        {"certutil, Unix lines", "MD5 hash of fw.bin:\n" + kPairs + "\n", kLower},
        {"empty", "", none},
        {"white space only", " \n\n", none},
        {"31 characters", kLower.substr(0, 31), none},
        {"31 and a space", kLower.substr(0, 31) + " fw.bin", none},
        {"longer digest", kLower + "0123abcd", none},
        {"not hexadecimal", std::string(32, 'g'), none},
        {"binary", std::string("\0\x01\xff", 3) + kLower, none},
        {"pairs with two spaces", kCertHead + "d4  1d 8c d9 8f 00 b2 04 e9 80 09 98 ec f8 42 7",
         none},
        {"15 pairs", kCertHead + kPairs.substr(0, 44) + kCertFoot, none},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseMd5Companion(c.text), c.digest) << c.what;
    }
    EXPECT_TRUE(SameMd5Digest(kLower, kUpper));
    EXPECT_FALSE(SameMd5Digest(kLower, "e" + kLower.substr(1)));
    EXPECT_FALSE(SameMd5Digest(kLower, kLower.substr(1)));
}

}  // namespace
