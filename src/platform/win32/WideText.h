#pragma once
// UTF-8 <-> UTF-16 at the Win32 API boundary, for the Windows platform code and the window.
// Invalid input is replaced, never a reason to fail: the callers pass paths, command lines,
// registry texts and control texts.
#include <windows.h>

#include <string>

namespace win32text {

inline std::wstring ToWide(const std::string& text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int size = static_cast<int>(text.size());
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), n);
    }
    return wide;
}

inline std::string ToUtf8(const wchar_t* text, std::size_t length) {
    if (length == 0) {
        return std::string();
    }
    const int size = static_cast<int>(length);
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, text, size, narrow.data(), n, nullptr, nullptr);
    }
    return narrow;
}

// Closes a kernel handle when it goes out of scope.
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : handle_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& o) noexcept : handle_(o.handle_) { o.handle_ = nullptr; }
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) {
            Reset(o.handle_);
            o.handle_ = nullptr;
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset(HANDLE h = nullptr) {
        if (handle_ != nullptr) {
            ::CloseHandle(handle_);
        }
        handle_ = h == INVALID_HANDLE_VALUE ? nullptr : h;
    }

  private:
    HANDLE handle_ = nullptr;
};

}  // namespace win32text
