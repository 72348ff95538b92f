#pragma once
// The 38-character registry text form of a GUID: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#include <cstddef>

#include "foundation/Guid.h"
#include "foundation/WideText.h"

inline constexpr std::size_t kGuidTextLength = 38;

// Upper-case hexadecimal: Data1, Data2, Data3, Data4[0..1], Data4[2..7].
WString GuidToString(const GUID& guid);

// Parses the registry form (either case of hex digits). Any other text, including null,
// gives EmptyGuid().
GUID StringToGuid(const WString& text);
GUID StringToGuid(const WChar* text);
