#pragma once
// The narrow ("ANSI") code page of this platform and the one foreign code page files may
// arrive in. On Linux the narrow code page is UTF-8; text written on a simplified-Chinese
// Windows PC arrives as GB18030.
#include <string>

#include "foundation/WideText.h"

// Converts zero-terminated narrow text to UTF-16 (characters beyond the BMP become surrogate
// pairs). False, with `out` cleared, when the bytes are not valid UTF-8; a null text is "".
bool AnsiToUtf16(const char* text, WString& out);

// Converts UTF-16 to narrow text. An unpaired surrogate becomes U+FFFD.
std::string Utf16ToAnsi(const WString& text);

// Strict UTF-8: no overlong forms, no surrogate code points, nothing above U+10FFFF.
bool IsValidUtf8(const std::string& bytes);

// The valid UTF-8 sequences of `bytes`, every other byte dropped.
std::string DropInvalidUtf8(const std::string& bytes);

// Converts GB18030 bytes to UTF-8. False, with `out` cleared, when the bytes are not GB18030.
bool Gb18030ToUtf8(const std::string& in, std::string& out);
