#include "platform/PrivateTempFile.h"

#include <windows.h>

#include <atomic>

#include "platform/win32/WideText.h"

namespace {

std::atomic<unsigned> g_counter{0};

}  // namespace

// The user's temp folder is private to the user; the new folder and file take its access rules.
PrivateTempFile::PrivateTempFile(const std::string& name, const std::string& text) {
    wchar_t base[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, base);
    if (n == 0 || n > MAX_PATH) {
        return;
    }
    for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
        const std::wstring folder = std::wstring(base, n) + L"zr40-" +
                                    std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                    std::to_wstring(g_counter.fetch_add(1));
        if (::CreateDirectoryW(folder.c_str(), nullptr)) {
            folder_ = win32text::ToUtf8(folder.data(), folder.size());
        } else if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            return;
        }
    }
    if (folder_.empty()) {
        return;
    }
    const std::string path = folder_ + "\\" + name;
    win32text::UniqueHandle file(::CreateFileW(win32text::ToWide(path).c_str(), GENERIC_WRITE, 0,
                                               nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY,
                                               nullptr));
    if (!file) {
        Remove();
        return;
    }
    path_ = path;
    DWORD written = 0;
    if (!::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        file.Reset();
        Remove();
    }
}

PrivateTempFile::~PrivateTempFile() {
    Remove();
}

void PrivateTempFile::Remove() {
    if (!path_.empty()) {
        ::DeleteFileW(win32text::ToWide(path_).c_str());
        path_.clear();
    }
    if (!folder_.empty()) {
        ::RemoveDirectoryW(win32text::ToWide(folder_).c_str());
        folder_.clear();
    }
}
