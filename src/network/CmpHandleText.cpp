#include "network/CmpHandleText.h"

#include <bit>
#include <cstring>
#include <vector>

#include "foundation/PublicFunctions.h"
#include "network/CmpPacketHead.h"

WString CmpFieldText(const std::uint8_t* field, std::size_t width) {
    if (field == nullptr || width == 0) {
        return WString();
    }
    char local[64];
    std::vector<char> large;
    char* text = local;
    if (width > sizeof(local)) {
        large.resize(width);
        text = large.data();
    }
    std::memcpy(text, field, width - 1);
    text[width - 1] = '\0';
    return CPublicFunctions::Utf8ToUnicode(text);
}

float CmpReadFloat(const std::uint8_t* p) {
    return std::bit_cast<float>(ReadLe32(p));
}
