#include "platform/SingleInstance.h"

#include <windows.h>

#include <thread>

#include "platform/win32/WideText.h"

namespace {

constexpr wchar_t kCaption[] = L"Zr40Tool";
constexpr std::chrono::milliseconds kLookStep{50};

std::wstring PropertyName(const std::string& key) {
    return L"Zr40Tool.Instance." + win32text::ToWide(key);
}

struct Search {
    std::wstring property;
    HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM param) {
    Search& search = *reinterpret_cast<Search*>(param);
    wchar_t caption[64] = {};
    ::GetWindowTextW(window, caption, 64);
    if (::GetPropW(window, search.property.c_str()) != nullptr &&
        std::wstring(caption) == kCaption) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

SingleInstance::State SingleInstance::Acquire() {
    if (handle_ != kNone) {
        return state_;
    }
    if (key_.empty()) {
        return state_ = State::None;
    }
    // Local\: per logon session, so another user's copy on the same PC is not this one's concern.
    const std::wstring name = L"Local\\Zr40Tool-" + win32text::ToWide(key_);
    ::SetLastError(ERROR_SUCCESS);
    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    const DWORD error = ::GetLastError();
    if (mutex == nullptr) {
        // An elevated first copy's mutex may refuse a plain user's copy: still held elsewhere.
        return state_ = error == ERROR_ACCESS_DENIED ? State::HeldByAnother : State::Unavailable;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return state_ = State::HeldByAnother;
    }
    handle_ = reinterpret_cast<std::intptr_t>(mutex);
    return state_ = State::Held;
}

void SingleInstance::Release() {
    if (handle_ != kNone) {
        ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
        handle_ = kNone;
        state_ = State::None;
    }
}

void MarkInstanceWindow(void* nativeWindow, const std::string& key) {
    if (nativeWindow != nullptr && !key.empty()) {
        // The property goes with the window when it is destroyed.
        ::SetPropW(static_cast<HWND>(nativeWindow), PropertyName(key).c_str(),
                   reinterpret_cast<HANDLE>(static_cast<INT_PTR>(1)));
    }
}

bool RaiseInstanceWindow(const std::string& key, std::chrono::milliseconds wait) {
    if (key.empty()) {
        return false;
    }
    Search search{PropertyName(key)};
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kLookStep);
    }
    if (::IsIconic(search.found)) {
        ::ShowWindow(search.found, SW_RESTORE);
    } else {
        ::ShowWindow(search.found, SW_SHOW);
    }
    // This copy was just started by the user, so it may hand the foreground on.
    ::SetForegroundWindow(search.found);
    return true;
}
