#pragma once
// Narrow text is UTF-8 on every platform. Files that are not valid UTF-8 are read in the legacy
// code page: GB18030 on Linux (what a simplified-Chinese Windows PC writes), the ANSI code page
// on Windows.
#include <cstddef>
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

// Converts bytes in the legacy code page to UTF-8. False, with `out` cleared, when the bytes are
// not text in that code page.
bool LegacyCodePageToUtf8(const std::string& in, std::string& out);

// Text as monitors set up with the Windows tool read it: the PC's ANSI code page on Windows,
// UTF-8 (the narrow encoding) elsewhere. Whole characters only, as many as fit in `maxBytes`,
// so a character is never cut. False when some character has no form in that code page: it
// went out as the code page's default character ('?').
bool Utf8ToAnsiCodePage(const std::string& utf8, std::size_t maxBytes, std::string& out);

// The number of the legacy code page (54936 for GB18030, 936 for GBK, 1252 for Western).
int LegacyCodePageNumber();
