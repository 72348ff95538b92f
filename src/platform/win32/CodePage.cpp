#include <windows.h>

#include <climits>
#include <cstddef>
#include <string>

#include "platform/CodePage.h"

int LegacyCodePageNumber() {
    return static_cast<int>(GetACP());
}

bool Utf8ToAnsiCodePage(const std::string& utf8, std::size_t maxBytes, std::string& out) {
    out.clear();
    WString wide;
    if (!AnsiToUtf16(utf8.c_str(), wide)) {
        return false;
    }
    const UINT page = GetACP();
    // These code pages map every character and take neither flags nor the default-char report.
    const bool mapsAll = page == CP_UTF8 || page == 54936;
    bool exact = true;
    for (std::size_t i = 0; i < wide.size();) {
        // One character at a time: in a double-byte code page a trail byte may look like ASCII,
        // so a cut can only be placed between whole characters.
        const std::size_t units =
            wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size() ? 2 : 1;
        const std::wstring one(wide.begin() + static_cast<std::ptrdiff_t>(i),
                               wide.begin() + static_cast<std::ptrdiff_t>(i + units));
        char bytes[8];
        BOOL usedDefault = FALSE;
        const int n = WideCharToMultiByte(page, mapsAll ? 0 : WC_NO_BEST_FIT_CHARS, one.data(),
                                          static_cast<int>(units), bytes, sizeof(bytes), nullptr,
                                          mapsAll ? nullptr : &usedDefault);
        if (n <= 0 || usedDefault) {
            exact = false;
        }
        if (n <= 0) {
            bytes[0] = '?';
        }
        const std::size_t size = n <= 0 ? 1 : static_cast<std::size_t>(n);
        if (out.size() + size > maxBytes) {
            break;
        }
        out.append(bytes, size);
        i += units;
    }
    return exact;
}

bool LegacyCodePageToUtf8(const std::string& in, std::string& out) {
    out.clear();
    if (in.empty()) {
        return true;
    }
    if (in.size() > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    const int inLength = static_cast<int>(in.size());
    const int units =
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, in.data(), inLength, nullptr, 0);
    if (units <= 0) {
        return false;
    }
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, in.data(), inLength, wide.data(),
                            units) != units) {
        return false;
    }
    out = Utf16ToAnsi(WString(wide.begin(), wide.end()));
    return true;
}
