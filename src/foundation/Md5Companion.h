#pragma once
// Reading the digest out of a firmware file's ".md5" companion, in the layouts the usual tools
// write:
//   - md5sum: optional white space, 32 hexadecimal characters, then anything (two spaces or
//     " *" and the file name, a line break) - and the plain 32-byte companion;
//   - certutil -hashfile f MD5: a header line, a line holding the digest (possibly written as
//     16 byte pairs with single spaces between them), a footer line.
// Either letter case. The digest is returned as its 32 characters stand in the companion (pairs
// written with spaces are joined), so a plain 32-byte companion goes out unchanged.
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::size_t kMd5HexLength = 32;

// The 32 digest characters, or nothing when the companion holds no digest in either layout.
std::optional<std::string> ParseMd5Companion(std::string_view text);

// True when the two digest texts name the same digest (letter case ignored).
bool SameMd5Digest(std::string_view a, std::string_view b);
