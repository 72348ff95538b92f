#pragma once
// MD5 digests as the 32-character hex text that upgrade headers carry.
#include <cstddef>
#include <cstdint>
#include <string>

// Lower-case hex MD5 of the bytes; empty when the digest could not be computed.
std::string SimMd5Hex(const std::uint8_t* data, std::size_t length);

// True when text holds 32 hex digits equal to hex, in either letter case.
bool SimDigestTextMatches(const std::string& text, const std::string& hex);
