#include "platform/win32/EndSessionWindow.h"

EndSessionWindow::EndSessionWindow(HANDLE requested, HANDLE stopped, DWORD waitMs)
    : requested_(requested), stopped_(stopped), waitMs_(waitMs), thread_([this] { Loop(); }) {}

EndSessionWindow::~EndSessionWindow() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
        if (window_ != nullptr) {
            ::PostMessageW(window_, WM_CLOSE, 0, 0);
        }
    }
    thread_.join();
}

void EndSessionWindow::Loop() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &EndSessionWindow::Procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kEndSessionWindowClass;
    // A second object in the same process finds the class already there.
    ::RegisterClassExW(&windowClass);
    // Top-level (not message-only), as only those hear of the session's end; never shown.
    const HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, kEndSessionWindowClass, L"Zr40Tool",
                                          WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, this);
    if (window == nullptr) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closing_) {
            ::DestroyWindow(window);
            return;
        }
        window_ = window;
    }
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::DispatchMessageW(&message);
    }
}

LRESULT CALLBACK EndSessionWindow::Procedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<EndSessionWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE && self != nullptr) {
                ::SetEvent(self->requested_);
                ::WaitForSingleObject(self->stopped_, self->waitMs_);
            }
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}
