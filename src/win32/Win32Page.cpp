#include "win32/Win32Page.h"

#include <utility>

namespace {

// The pages mask passwords with '*' (common controls 6 would draw a dot).
BOOL CALLBACK MaskWithStars(HWND child, LPARAM) {
    wchar_t name[16] = {};
    ::GetClassNameW(child, name, 16);
    if (::lstrcmpiW(name, L"Edit") == 0 && (::GetWindowLongW(child, GWL_STYLE) & ES_PASSWORD)) {
        ::SendMessageW(child, EM_SETPASSWORDCHAR, L'*', 0);
    }
    return TRUE;
}

}  // namespace

Win32Page::Win32Page(HWND parent, int templateId) {
    window_ = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId),
                                   parent, &Win32Page::DialogProc, reinterpret_cast<LPARAM>(this));
    form_.Attach(window_);
    if (window_ != nullptr) {
        ::EnumChildWindows(window_, &MaskWithStars, 0);
    }
}

Win32Page::~Win32Page() {
    if (window_ != nullptr) {
        ::SetWindowLongPtrW(window_, DWLP_USER, 0);
        ::DestroyWindow(window_);
    }
}

void Win32Page::FilterKeys(std::set<int> fieldIds, KeyFilter filter) {
    filteredFields_ = std::move(fieldIds);
    keyFilter_ = std::move(filter);
}

bool Win32Page::PreTranslate(const MSG& message) const {
    if (!keyFilter_ || (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) ||
        message.hwnd == nullptr || ::GetParent(message.hwnd) != window_) {
        return false;
    }
    const int field = ::GetDlgCtrlID(message.hwnd);
    if (filteredFields_.count(field) == 0) {
        return false;
    }
    return !keyFilter_(field, static_cast<int>(message.wParam));
}

INT_PTR CALLBACK Win32Page::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        // the tab control's themed background behind the page
        ::EnableThemeDialogTexture(window, ETDT_ENABLETAB);
        return FALSE;
    }
    auto* self = reinterpret_cast<Win32Page*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr) {
        return FALSE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        auto it = self->clicks_.find(LOWORD(wParam));
        if (it != self->clicks_.end() && it->second) {
            it->second();
            return TRUE;
        }
    }
    return FALSE;
}
