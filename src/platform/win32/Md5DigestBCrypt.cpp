#include <windows.h>
// after windows.h, which it needs
#include <bcrypt.h>

#include <algorithm>
#include <vector>

#include "platform/Md5Digest.h"

namespace {
// Each update is bounded, so the size always fits the library's length type.
constexpr std::size_t kChunk = 1 << 20;
}  // namespace

struct Md5Digest::State {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    // Windows 7 wants the caller to hold the hash object's memory.
    std::vector<UCHAR> object;

    ~State() {
        if (hash != nullptr) {
            ::BCryptDestroyHash(hash);
        }
        if (algorithm != nullptr) {
            ::BCryptCloseAlgorithmProvider(algorithm, 0);
        }
    }

    bool Open() {
        DWORD objectBytes = 0;
        ULONG got = 0;
        if (!BCRYPT_SUCCESS(
                ::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_MD5_ALGORITHM, nullptr, 0)) ||
            !BCRYPT_SUCCESS(::BCryptGetProperty(algorithm, BCRYPT_OBJECT_LENGTH,
                                                reinterpret_cast<PUCHAR>(&objectBytes),
                                                sizeof objectBytes, &got, 0))) {
            return false;
        }
        object.resize(objectBytes);
        return BCRYPT_SUCCESS(
            ::BCryptCreateHash(algorithm, &hash, object.data(), objectBytes, nullptr, 0, 0));
    }
};

Md5Digest::Md5Digest() : state_(std::make_unique<State>()) {
    ok_ = state_->Open();
}

Md5Digest::~Md5Digest() = default;

bool Md5Digest::Update(const std::uint8_t* data, std::size_t size) {
    while (ok_ && size > 0) {
        const std::size_t n = std::min(size, kChunk);
        ok_ = BCRYPT_SUCCESS(
            ::BCryptHashData(state_->hash, const_cast<PUCHAR>(data), static_cast<ULONG>(n), 0));
        data += n;
        size -= n;
    }
    return ok_;
}

std::string Md5Digest::FinishHex() {
    UCHAR digest[16];
    if (!ok_ || !BCRYPT_SUCCESS(::BCryptFinishHash(state_->hash, digest, sizeof digest, 0))) {
        ok_ = false;
        return std::string();
    }
    ok_ = false;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (const UCHAR byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 0x0F];
    }
    return text;
}

std::string Md5Digest::Hex(const std::uint8_t* data, std::size_t size) {
    Md5Digest digest;
    digest.Update(data, size);
    return digest.FinishHex();
}
