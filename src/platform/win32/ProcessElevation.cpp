#include "platform/ProcessElevation.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/ProgramArguments.h"
#include "platform/WindowsCommandLine.h"
#include "platform/win32/WideText.h"

bool ProcessTokenElevated() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    win32text::UniqueHandle owned(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)) {
        return false;
    }
    return elevation.TokenIsElevated != 0;
}

bool StartThisProgramElevated() {
    std::wstring program(32768, L'\0');
    const DWORD length =
        ::GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
    if (length == 0 || length >= program.size()) {
        return false;
    }
    program.resize(length);
    // The same arguments, quoted by the rules the new copy parses them with.
    std::vector<std::string> args = ProgramArguments(0, nullptr);
    if (!args.empty()) {
        args.erase(args.begin());
    }
    const std::wstring parameters = win32text::ToWide(BuildWindowsCommandLine(args));
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC;
    info.lpVerb = L"runas";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    // False also when the user declined the system's question.
    return ::ShellExecuteExW(&info) != FALSE;
}
