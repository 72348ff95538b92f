#include <openssl/evp.h>

#include <algorithm>

#include "platform/Md5Digest.h"

namespace {
// Each update is bounded, so the size always fits the library's length type.
constexpr std::size_t kChunk = 1 << 20;
}  // namespace

struct Md5Digest::State {
    struct Free {
        void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
    };
    std::unique_ptr<EVP_MD_CTX, Free> context{EVP_MD_CTX_new()};
};

Md5Digest::Md5Digest() : state_(std::make_unique<State>()) {
    ok_ = state_->context != nullptr &&
          EVP_DigestInit_ex(state_->context.get(), EVP_md5(), nullptr) == 1;
}

Md5Digest::~Md5Digest() = default;

bool Md5Digest::Update(const std::uint8_t* data, std::size_t size) {
    while (ok_ && size > 0) {
        const std::size_t n = std::min(size, kChunk);
        ok_ = EVP_DigestUpdate(state_->context.get(), data, n) == 1;
        data += n;
        size -= n;
    }
    return ok_;
}

std::string Md5Digest::FinishHex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!ok_ || EVP_DigestFinal_ex(state_->context.get(), digest, &length) != 1 || length != 16) {
        ok_ = false;
        return std::string();
    }
    ok_ = false;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0x0F];
    }
    return text;
}

std::string Md5Digest::Hex(const std::uint8_t* data, std::size_t size) {
    Md5Digest digest;
    digest.Update(data, size);
    return digest.FinishHex();
}
