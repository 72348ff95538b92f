#pragma once
// SHA-256 of bytes in memory, for the service record's chain of line digests. One
// implementation per platform: OpenSSL's libcrypto on Linux, BCrypt on Windows.
#include <cstddef>
#include <string>

// The digest as 64 lower-case hexadecimal characters; empty when it could not be computed.
std::string Sha256Hex(const void* data, std::size_t size);
