#include <windows.h>
// after windows.h, which it needs
#include <bcrypt.h>

#include <vector>

#include "platform/HexBytes.h"
#include "platform/Sha256Digest.h"

std::string Sha256Hex(const void* data, std::size_t size) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(
            ::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        return std::string();
    }
    DWORD objectBytes = 0;
    ULONG got = 0;
    BCRYPT_HASH_HANDLE hash = nullptr;
    // Windows 7 wants the caller to hold the hash object's memory.
    std::vector<UCHAR> object;
    UCHAR digest[32];
    bool ok = BCRYPT_SUCCESS(::BCryptGetProperty(algorithm, BCRYPT_OBJECT_LENGTH,
                                                 reinterpret_cast<PUCHAR>(&objectBytes),
                                                 sizeof objectBytes, &got, 0));
    if (ok) {
        object.resize(objectBytes);
        ok = BCRYPT_SUCCESS(
            ::BCryptCreateHash(algorithm, &hash, object.data(), objectBytes, nullptr, 0, 0));
    }
    // The service record hashes single lines: far below ULONG's range.
    ok = ok && size <= 0x7FFFFFFF &&
         BCRYPT_SUCCESS(::BCryptHashData(hash, static_cast<PUCHAR>(const_cast<void*>(data)),
                                         static_cast<ULONG>(size), 0)) &&
         BCRYPT_SUCCESS(::BCryptFinishHash(hash, digest, sizeof digest, 0));
    if (hash != nullptr) {
        ::BCryptDestroyHash(hash);
    }
    ::BCryptCloseAlgorithmProvider(algorithm, 0);
    return ok ? HexBytes(digest, sizeof digest) : std::string();
}
