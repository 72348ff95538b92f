#include "platform/CodePage.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Length of the valid UTF-8 sequence at bytes[i], or 0 when none starts there.
std::size_t ValidSequenceLength(const unsigned char* p, std::size_t n, std::size_t i,
                                std::uint32_t& cp) {
    unsigned char b = p[i];
    if (b < 0x80) {
        cp = b;
        return 1;
    }
    std::size_t len;
    std::uint32_t min;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        min = 0x80;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        min = 0x800;
        cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        min = 0x10000;
        cp = b & 0x07;
    } else {
        return 0;
    }
    if (n - i < len) {
        return 0;
    }
    for (std::size_t k = 1; k < len; ++k) {
        unsigned char c = p[i + k];
        if ((c & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return len;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

bool AnsiToUtf16(const char* text, WString& out) {
    out.clear();
    if (text == nullptr) {
        return true;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    std::size_t n = std::strlen(text);
    for (std::size_t i = 0; i < n;) {
        std::uint32_t cp = 0;
        std::size_t len = ValidSequenceLength(p, n, i, cp);
        if (len == 0) {
            out.clear();
            return false;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<WChar>(0xD800 | (cp >> 10));
            out += static_cast<WChar>(0xDC00 | (cp & 0x3FF));
        } else {
            out += static_cast<WChar>(cp);
        }
        i += len;
    }
    return true;
}

std::string Utf16ToAnsi(const WString& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

bool IsValidUtf8(const std::string& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        std::uint32_t cp = 0;
        std::size_t len = ValidSequenceLength(p, bytes.size(), i, cp);
        if (len == 0) {
            return false;
        }
        i += len;
    }
    return true;
}

std::string DropInvalidUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        std::uint32_t cp = 0;
        std::size_t len = ValidSequenceLength(p, bytes.size(), i, cp);
        if (len == 0) {
            ++i;
            continue;
        }
        out.append(bytes, i, len);
        i += len;
    }
    return out;
}
