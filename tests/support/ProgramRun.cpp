#include "ProgramRun.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/WindowsCommandLine.h"
#include "platform/win32/WideText.h"

int RunProgramToFile(const std::vector<std::string>& argv, const std::string& outPath,
                     std::chrono::milliseconds limit) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE out =
        ::CreateFileW(win32text::ToWide(outPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        return -1;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION info{};
    std::wstring line = win32text::ToWide(BuildWindowsCommandLine(argv));
    const BOOL started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    ::CloseHandle(out);
    if (!started) {
        return -1;
    }
    ::CloseHandle(info.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(info.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
        ::TerminateProcess(info.hProcess, 1);
        ::WaitForSingleObject(info.hProcess, INFINITE);
    } else {
        ::GetExitCodeProcess(info.hProcess, &code);
    }
    ::CloseHandle(info.hProcess);
    return static_cast<int>(code);
}
#else
#include <memory>

#include "TempDir.h"
#include "platform/CommandRunner.h"

int RunProgramToFile(const std::vector<std::string>& argv, const std::string& outPath,
                     std::chrono::milliseconds limit) {
    const std::unique_ptr<ICommandRunner> runner = MakeSystemCommandRunner();
    const CommandResult result = runner->RunCapturing(argv, limit);
    WriteFileBytes(outPath, result.output);
    return result.status;
}
#endif
