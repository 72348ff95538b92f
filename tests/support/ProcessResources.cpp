#include "ProcessResources.h"

#ifdef _WIN32
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdint>

int OpenHandleCount() {
    DWORD count = 0;
    if (!::GetProcessHandleCount(::GetCurrentProcess(), &count)) {
        return -1;
    }
    if (count == 0) {
        // Wine answers 0: count the handle values that name an open handle instead. It hands
        // out the lowest free multiple of 4, so a long run of unused values ends the table.
        int unused = 0;
        for (std::uintptr_t h = 4; h < 0x100000 && unused < 1024; h += 4) {
            DWORD flags = 0;
            const bool open = ::GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags) != 0;
            count += open ? 1 : 0;
            unused = open ? 0 : unused + 1;
        }
    }
    return static_cast<int>(count);
}

int ThreadCount() {
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return -1;
    }
    const DWORD self = ::GetCurrentProcessId();
    int n = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Thread32First(snapshot, &entry); more;
         more = ::Thread32Next(snapshot, &entry)) {
        n += entry.th32OwnerProcessID == self ? 1 : 0;
    }
    ::CloseHandle(snapshot);
    return n;
}

long ResidentKb() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!::K32GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters))) {
        return -1;
    }
    return static_cast<long>(counters.WorkingSetSize / 1024);
}
#else
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace {

int CountEntries(const char* folder) {
    std::error_code ec;
    int n = 0;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        ++n;
    }
    return ec ? -1 : n;
}

}  // namespace

int OpenHandleCount() {
    return CountEntries("/proc/self/fd");
}

int ThreadCount() {
    return CountEntries("/proc/self/task");
}

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}
#endif

bool RunningUnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}
