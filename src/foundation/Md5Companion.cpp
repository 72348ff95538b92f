#include "foundation/Md5Companion.h"

#include <cctype>

namespace {

bool IsHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// 32 hexadecimal characters at the start of `text` not followed by another one (a longer run is
// some other digest).
std::optional<std::string> LeadingDigest(std::string_view text) {
    if (text.size() < kMd5HexLength) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kMd5HexLength; ++i) {
        if (!IsHex(text[i])) {
            return std::nullopt;
        }
    }
    if (text.size() > kMd5HexLength && IsHex(text[kMd5HexLength])) {
        return std::nullopt;
    }
    return std::string(text.substr(0, kMd5HexLength));
}

// A whole line that is the digest: 32 hexadecimal characters, or 16 pairs with one space
// between neighbours.
std::optional<std::string> LineDigest(std::string_view line) {
    while (!line.empty() && IsSpace(line.front())) {
        line.remove_prefix(1);
    }
    while (!line.empty() && IsSpace(line.back())) {
        line.remove_suffix(1);
    }
    if (line.size() == kMd5HexLength) {
        return LeadingDigest(line);
    }
    constexpr std::size_t kPairs = kMd5HexLength / 2;
    if (line.size() != kPairs * 3 - 1) {
        return std::nullopt;
    }
    std::string joined;
    for (std::size_t pair = 0; pair < kPairs; ++pair) {
        const std::size_t at = pair * 3;
        if (!IsHex(line[at]) || !IsHex(line[at + 1]) ||
            (pair + 1 < kPairs && line[at + 2] != ' ')) {
            return std::nullopt;
        }
        joined += line.substr(at, 2);
    }
    return joined;
}

}  // namespace

std::optional<std::string> ParseMd5Companion(std::string_view text) {
    std::string_view rest = text;
    while (!rest.empty() && IsSpace(rest.front())) {
        rest.remove_prefix(1);
    }
    if (auto digest = LeadingDigest(rest)) {
        return digest;
    }
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (auto digest = LineDigest(line)) {
            return digest;
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return std::nullopt;
}

bool SameMd5Digest(std::string_view a, std::string_view b) {
    if (a.size() != kMd5HexLength || b.size() != kMd5HexLength) {
        return false;
    }
    for (std::size_t i = 0; i < kMd5HexLength; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}
