#include "platform/ComputerIdentity.h"

#include <windows.h>

#include "platform/win32/WideText.h"

std::string ComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!::GetComputerNameW(name, &size)) {
        return std::string();
    }
    return win32text::ToUtf8(name, size);
}

std::string OperatingSystemUser() {
    wchar_t name[257] = {};  // UNLEN + 1
    DWORD size = 257;
    if (!::GetUserNameW(name, &size) || size == 0) {
        return std::string();
    }
    return win32text::ToUtf8(name, size - 1);  // the size counts the terminator
}
