// Test helper for the Windows command runner: writes each argument it received, as
// CommandLineToArgvW splits its command line, in UTF-8 followed by a NUL byte. Then, in order:
// "--touch FILE" creates FILE, "--sleep MS" waits, "--exit N" sets the exit status N, "--probe H"
// sets it to 20 when the handle value H (decimal) is an open disk file here, else 21; a last
// "--spawn-sleeper" leaves a copy of itself running ("--sleep 60000") that keeps the output
// pipe open.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdint>
#include <cwchar>
#include <string>

int main() {
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (args == nullptr) {
        return 100;
    }
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    for (int i = 1; i < count; ++i) {
        const int n = ::WideCharToMultiByte(CP_UTF8, 0, args[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<std::size_t>(n), '\0');  // the NUL comes along
        ::WideCharToMultiByte(CP_UTF8, 0, args[i], -1, text.data(), n, nullptr, nullptr);
        DWORD written = 0;
        ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    int status = 0;
    for (int i = 1; i + 1 < count; ++i) {
        if (std::wcscmp(args[i], L"--touch") == 0) {
            ::CloseHandle(
                ::CreateFileW(args[i + 1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        } else if (std::wcscmp(args[i], L"--sleep") == 0) {
            ::Sleep(static_cast<DWORD>(std::wcstoul(args[i + 1], nullptr, 10)));
        } else if (std::wcscmp(args[i], L"--exit") == 0) {
            status = static_cast<int>(std::wcstol(args[i + 1], nullptr, 10));
        } else if (std::wcscmp(args[i], L"--probe") == 0) {
            const auto value = static_cast<std::uintptr_t>(std::wcstoull(args[i + 1], nullptr, 10));
            const HANDLE h = reinterpret_cast<HANDLE>(value);
            DWORD flags = 0;
            status =
                ::GetHandleInformation(h, &flags) && ::GetFileType(h) == FILE_TYPE_DISK ? 20 : 21;
        }
    }
    if (count > 1 && std::wcscmp(args[count - 1], L"--spawn-sleeper") == 0) {
        wchar_t self[MAX_PATH];
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring line = L"\"" + std::wstring(self) + L"\" --sleep 60000";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(self, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                              &startup, &info)) {
            status = 101;
        } else {
            ::CloseHandle(info.hThread);
            ::CloseHandle(info.hProcess);
        }
    }
    ::LocalFree(args);
    return status;
}
