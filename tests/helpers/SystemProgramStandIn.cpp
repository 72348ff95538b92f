// Test helper that takes a system program's place (netsh, icacls) while the installers run:
// appends the command line it was started with, in UTF-8, as one line to NAME-calls.txt beside
// itself (NAME.exe being its file name there) and succeeds.
#include <windows.h>

#include <string>

int main() {
    wchar_t self[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return 100;
    }
    std::wstring log(self, length);
    log = log.substr(0, log.find_last_of(L'.')) + L"-calls.txt";
    const wchar_t* line = ::GetCommandLineW();
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, line, -1, text.data(), n, nullptr, nullptr);
    text.back() = '\n';  // in place of the NUL
    const HANDLE file = ::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 101;
    }
    DWORD written = 0;
    const BOOL ok =
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok ? 0 : 102;
}
