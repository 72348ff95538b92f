#pragma once
// UTF-8 inside the program, UTF-16 at the Win32 API: the window's names for the platform's
// conversions (invalid input is replaced, never a reason to fail).

#include "win32/Win32Api.h"
// after Win32Api.h, which decides how windows.h comes in
#include "platform/win32/WideText.h"

#include <string>

namespace win32ui {

inline std::wstring Wide(const std::string& text) {
    return win32text::ToWide(text);
}

inline std::string Utf8(const std::wstring& text) {
    return win32text::ToUtf8(text.data(), text.size());
}

// A window's whole text (an edit field, a label, a button's caption).
inline std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

}  // namespace win32ui
