#include "SimMd5.h"

#include <openssl/evp.h>

#include <cctype>
#include <memory>

std::string SimMd5Hex(const std::uint8_t* data, std::size_t length) {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1 ||
        (length > 0 && EVP_DigestUpdate(ctx.get(), data, length) != 1) ||
        EVP_DigestFinal_ex(ctx.get(), digest, &size) != 1) {
        return std::string();
    }
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (unsigned int i = 0; i < size; ++i) {
        out.push_back(kHex[digest[i] >> 4]);
        out.push_back(kHex[digest[i] & 0x0F]);
    }
    return out;
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
