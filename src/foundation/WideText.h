#pragma once
// Wide text is UTF-16 in a 16-bit unit (wchar_t is 32 bits on Linux).
#include <cstddef>
#include <string>

using WChar = char16_t;
using WString = std::u16string;

// Copies src into a fixed wide-text field of `capacity` units, cut to capacity - 1 and
// zero-terminated; the rest of the field is cleared.
template <std::size_t N>
void CopyToField(WChar (&field)[N], const WString& src) {
    std::size_t n = src.size() < N - 1 ? src.size() : N - 1;
    for (std::size_t i = 0; i < N; ++i) {
        field[i] = i < n ? src[i] : u'\0';
    }
}

// Reads a fixed wide-text field up to its terminator (or its capacity).
template <std::size_t N>
WString FieldText(const WChar (&field)[N]) {
    std::size_t n = 0;
    while (n < N && field[n] != u'\0') {
        ++n;
    }
    return WString(field, n);
}
