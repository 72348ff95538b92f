#include <windows.h>

#include <climits>

#include "platform/CodePage.h"

int LegacyCodePageNumber() {
    return static_cast<int>(GetACP());
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
