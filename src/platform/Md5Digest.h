#pragma once
// MD5 digests of firmware, fed in chunks. One implementation per platform: OpenSSL's libcrypto
// on Linux (Md5DigestOpenSsl.cpp); the same interface serves a Windows one.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class Md5Digest {
  public:
    Md5Digest();
    ~Md5Digest();
    Md5Digest(const Md5Digest&) = delete;
    Md5Digest& operator=(const Md5Digest&) = delete;

    // False once anything failed; the digest is then not to be trusted.
    bool Update(const std::uint8_t* data, std::size_t size);
    // The digest as 32 lower-case hexadecimal characters; empty when it could not be computed.
    // The object is spent afterwards.
    std::string FinishHex();

    // The digest of bytes in memory, as FinishHex gives it.
    static std::string Hex(const std::uint8_t* data, std::size_t size);

  private:
    struct State;
    std::unique_ptr<State> state_;
    bool ok_ = true;
};
