#pragma once
// Conversions between the narrow code page, UTF-16 wide text and UTF-8. They never fail
// loudly: a null input leaves a record in Assert.log and gives "", an input of 4096 or more
// units or bytes gives "".
#include <cstddef>
#include <string>

#include "foundation/WideText.h"

class CPublicFunctions {
  public:
    // Longest accepted input, counted with its terminator.
    static constexpr std::size_t kMaxTextCount = 4096;

    // Narrow ("ANSI") code-page text to wide text; "" when it cannot be converted.
    static WString MultiByteToWstring(const char* src);
    // UTF-8 to wide text. Malformed two- and three-byte sequences lose their lead byte (with a
    // record), stray bytes and four-byte sequences are dropped; the text ends at a zero unit.
    static WString Utf8ToUnicode(const char* src);
    // Wide text to UTF-8, one unit at a time (surrogates become three bytes each).
    static std::string UnicodeToUtf8(const WChar* src);
};
