#include "foundation/GuidText.h"

#include <cstdint>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(WString& out, std::uint64_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        out += static_cast<WChar>(kHexDigits[(value >> shift) & 0xF]);
    }
}

int HexValue(WChar c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    return -1;
}

// Reads `digits` hex digits at text[pos]; false on any other character.
bool ReadHex(const WString& text, std::size_t pos, int digits, std::uint64_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i) {
        int v = HexValue(text[pos + static_cast<std::size_t>(i)]);
        if (v < 0) {
            return false;
        }
        value = (value << 4) | static_cast<std::uint64_t>(v);
    }
    return true;
}

}  // namespace

WString GuidToString(const GUID& guid) {
    WString out;
    out.reserve(kGuidTextLength);
    out += u'{';
    AppendHex(out, guid.Data1, 8);
    out += u'-';
    AppendHex(out, guid.Data2, 4);
    out += u'-';
    AppendHex(out, guid.Data3, 4);
    out += u'-';
    AppendHex(out, guid.Data4[0], 2);
    AppendHex(out, guid.Data4[1], 2);
    out += u'-';
    for (int i = 2; i < 8; ++i) {
        AppendHex(out, guid.Data4[i], 2);
    }
    out += u'}';
    return out;
}

GUID StringToGuid(const WString& text) {
    if (text.size() != kGuidTextLength || text.front() != u'{' || text.back() != u'}' ||
        text[9] != u'-' || text[14] != u'-' || text[19] != u'-' || text[24] != u'-') {
        return EmptyGuid();
    }
    GUID g{};
    std::uint64_t v = 0;
    if (!ReadHex(text, 1, 8, v)) {
        return EmptyGuid();
    }
    g.Data1 = static_cast<std::uint32_t>(v);
    if (!ReadHex(text, 10, 4, v)) {
        return EmptyGuid();
    }
    g.Data2 = static_cast<std::uint16_t>(v);
    if (!ReadHex(text, 15, 4, v)) {
        return EmptyGuid();
    }
    g.Data3 = static_cast<std::uint16_t>(v);
    // Data4: two bytes before the last dash, six after it.
    static constexpr std::size_t kData4Pos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!ReadHex(text, kData4Pos[i], 2, v)) {
            return EmptyGuid();
        }
        g.Data4[i] = static_cast<std::uint8_t>(v);
    }
    return g;
}

GUID StringToGuid(const WChar* text) {
    if (text == nullptr) {
        return EmptyGuid();
    }
    return StringToGuid(WString(text));
}
