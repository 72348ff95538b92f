#include "OpenHandleCount.h"

#ifdef _WIN32
#include <windows.h>

int OpenHandleCount() {
    DWORD count = 0;
    return ::GetProcessHandleCount(::GetCurrentProcess(), &count) ? static_cast<int>(count) : -1;
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
