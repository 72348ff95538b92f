#include "OpenHandleCount.h"

#ifdef _WIN32
#include <windows.h>

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
#else
#include <filesystem>
#include <system_error>

int OpenHandleCount() {
    std::error_code ec;
    int n = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", ec), end; !ec && it != end;
         it.increment(ec)) {
        ++n;
    }
    return ec ? -1 : n;
}
#endif
