#include "win32/Win32UiThread.h"

#include <utility>

namespace {

constexpr wchar_t kClassName[] = L"Zr40UiThread";

}  // namespace

Win32UiThread::Win32UiThread() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Win32UiThread::WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    ::RegisterClassExW(&wc);  // fails harmlessly when a second instance registers again
    window_ = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                wc.hInstance, nullptr);
    if (window_ != nullptr) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        const std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
    }
}

Win32UiThread::~Win32UiThread() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        open_ = false;
        tasks_.clear();
    }
    if (window_ != nullptr) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
}

void Win32UiThread::Post(UiTask task) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) {
        return;
    }
    // one message per task: a task that opens a modal dialog lets later tasks run in the
    // dialog's loop, still one after the other in posting order
    tasks_.push_back(std::move(task));
    ::PostMessageW(window_, kRunTask, 0, 0);
}

void Win32UiThread::RunOne() {
    UiTask task;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (tasks_.empty()) {
            return;
        }
        task = std::move(tasks_.front());
        tasks_.pop_front();
    }
    if (task) {
        task();
    }
}

LRESULT CALLBACK Win32UiThread::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == kRunTask) {
        auto* self = reinterpret_cast<Win32UiThread*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr) {
            self->RunOne();
        }
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}
