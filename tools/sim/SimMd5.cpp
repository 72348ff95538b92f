#include "SimMd5.h"

#include <cctype>

#include "platform/Md5Digest.h"

std::string SimMd5Hex(const std::uint8_t* data, std::size_t length) {
    return Md5Digest::Hex(data, length);
}

bool SimDigestTextMatches(const std::string& text, const std::string& hex) {
    if (text.size() != 32 || hex.size() != 32) {
        return false;
    }
    for (std::size_t i = 0; i < 32; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isxdigit(c) ||
            std::tolower(c) != std::tolower(static_cast<unsigned char>(hex[i]))) {
            return false;
        }
    }
    return true;
}
