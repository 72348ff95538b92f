#include "foundation/PublicFunctions.h"

#include <cstring>

#include "foundation/Log.h"
#include "platform/CodePage.h"

namespace {

bool IsContinuation(unsigned char b) {
    return b >= 0x80 && b <= 0xBF;
}

}  // namespace

WString CPublicFunctions::MultiByteToWstring(const char* src) {
    ASSERT_LOG_AT(src != NULL, "CPublicFunctions::MultiByteToWstring", 113);
    if (src == nullptr) {
        return WString();
    }
    WString out;
    if (!AnsiToUtf16(src, out)) {
        return WString();
    }
    if (out.size() + 1 > kMaxTextCount) {
        return WString();
    }
    return out;
}

WString CPublicFunctions::Utf8ToUnicode(const char* src) {
    ASSERT_LOG_AT(src != NULL, "CPublicFunctions::Utf8ToUnicode", 174);
    if (src == nullptr) {
        return WString();
    }
    // Counted with the terminator; stop looking once the limit is reached.
    std::size_t n = ::strnlen(src, kMaxTextCount);
    if (n + 1 > kMaxTextCount) {
        return WString();
    }
    const auto* p = reinterpret_cast<const unsigned char*>(src);
    WString out;
    out.reserve(n);
    for (std::size_t i = 0; i < n;) {
        unsigned char lead = p[i];
        if (lead < 0x80) {
            out += static_cast<WChar>(lead);
            i += 1;
        } else if (lead >= 0xC0 && lead <= 0xDF) {
            // p[i + 1] is at worst the terminator, which fails the check.
            if (IsContinuation(p[i + 1])) {
                out += static_cast<WChar>(((lead & 0x1F) << 6) | (p[i + 1] & 0x3F));
                i += 2;
            } else {
                ASSERT_LOG_AT(false, "CPublicFunctions::Utf8ToUnicode", 206);
                i += 1;
            }
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            // The third byte is read only when the second is a continuation, so never past
            // the terminator.
            if (IsContinuation(p[i + 1]) && IsContinuation(p[i + 2])) {
                out += static_cast<WChar>(((lead & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) |
                                          (p[i + 2] & 0x3F));
                i += 3;
            } else {
                ASSERT_LOG_AT(false, "CPublicFunctions::Utf8ToUnicode", 226);
                i += 1;
            }
        } else {
            i += 1;
        }
    }
    // An overlong zero (C0 80) ends the text.
    std::size_t zero = out.find(u'\0');
    if (zero != WString::npos) {
        out.resize(zero);
    }
    return out;
}

std::string CPublicFunctions::UnicodeToUtf8(const WChar* src) {
    ASSERT_LOG_AT(src != NULL, "CPublicFunctions::UnicodeToUtf8", 25);
    if (src == nullptr) {
        return std::string();
    }
    std::size_t n = 0;
    while (n < kMaxTextCount && src[n] != u'\0') {
        ++n;
    }
    if (n + 1 > kMaxTextCount) {
        return std::string();
    }
    std::string out;
    out.reserve(n * 3);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned c = src[i];
        if (c <= 0x7F) {
            out += static_cast<char>(c);
        } else if (c <= 0x7FF) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
