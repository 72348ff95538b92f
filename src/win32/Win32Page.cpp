#include "win32/Win32Page.h"

#include "pages/FormMisuse.h"

Win32Page::Win32Page(HWND parent, const PageLayout& layout)
    : window_(::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(layout.templateId),
                                   parent, &Win32Page::DialogProc, reinterpret_cast<LPARAM>(this))),
      form_(window_, layout) {
    if (window_ == nullptr) {
        return;
    }
    for (const ControlRow& row : layout.controls) {
        if (row.kind == ControlKind::kPassword) {
            // the pages mask passwords with '*' (common controls 6 would draw a dot)
            ::SendMessageW(form_.Control(row.id), EM_SETPASSWORDCHAR, L'*', 0);
        } else if (row.kind == ControlKind::kDisplay) {
            // the display keeps what the page's logic keeps, not the edit's 32 K default
            ::SendMessageW(form_.Control(row.id), EM_SETLIMITTEXT, 0, 0);
        }
    }
}

Win32Page::~Win32Page() {
    if (window_ != nullptr) {
        ::SetWindowLongPtrW(window_, DWLP_USER, 0);
        ::DestroyWindow(window_);
    }
}

void Win32Page::Bind(const std::vector<PageBinding>& bindings) {
    for (const PageBinding& binding : bindings) {
        if (binding.event == PageEvent::kClicked) {
            if (CheckedControl(form_.Layout(), binding.id, FormOperation::kClick, "a click")) {
                clicks_[binding.id] = binding.clicked;
            }
        } else if (CheckedControl(form_.Layout(), binding.id, FormOperation::kKeys,
                                  "a key filter")) {
            keyFilters_[binding.id] = binding.keyDown;
        }
    }
}

bool Win32Page::PreTranslate(const MSG& message) const {
    if (keyFilters_.empty() ||
        (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) ||
        message.hwnd == nullptr || ::GetParent(message.hwnd) != window_) {
        return false;
    }
    auto it = keyFilters_.find(::GetDlgCtrlID(message.hwnd));
    return it != keyFilters_.end() && !it->second(static_cast<int>(message.wParam));
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
