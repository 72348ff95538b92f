#include <openssl/evp.h>

#include "platform/HexBytes.h"
#include "platform/Sha256Digest.h"

std::string Sha256Hex(const void* data, std::size_t size) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data, size, digest, &length, EVP_sha256(), nullptr) != 1 || length != 32) {
        return std::string();
    }
    return HexBytes(digest, length);
}
