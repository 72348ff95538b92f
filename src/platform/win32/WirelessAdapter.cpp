#include "platform/WirelessAdapter.h"

#include <windows.h>
// after windows.h, which it needs
#include <wlanapi.h>

namespace {

// wlanapi.dll is missing where the WLAN service is not installed (Windows Server without its
// wireless feature); loaded at run time, so the program still starts there and finds no
// adapter, instead of failing to load at all.
template <class Function>
Function Find(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

}  // namespace

bool HasWirelessAdapter(const std::string& /*root: a Linux test seam*/) {
    const HMODULE library = ::LoadLibraryExW(L"wlanapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (library == nullptr) {
        return false;
    }
    using OpenHandle = DWORD(WINAPI*)(DWORD, PVOID, PDWORD, PHANDLE);
    using EnumInterfaces = DWORD(WINAPI*)(HANDLE, PVOID, PWLAN_INTERFACE_INFO_LIST*);
    using FreeMemory = VOID(WINAPI*)(PVOID);
    using CloseHandle = DWORD(WINAPI*)(HANDLE, PVOID);
    const auto open = Find<OpenHandle>(library, "WlanOpenHandle");
    const auto enumerate = Find<EnumInterfaces>(library, "WlanEnumInterfaces");
    const auto release = Find<FreeMemory>(library, "WlanFreeMemory");
    const auto close = Find<CloseHandle>(library, "WlanCloseHandle");
    bool any = false;
    DWORD version = 0;
    HANDLE client = nullptr;
    if (open != nullptr && enumerate != nullptr && release != nullptr && close != nullptr &&
        open(2, nullptr, &version, &client) == ERROR_SUCCESS) {
        PWLAN_INTERFACE_INFO_LIST list = nullptr;
        if (enumerate(client, nullptr, &list) == ERROR_SUCCESS && list != nullptr) {
            any = list->dwNumberOfItems > 0;
        }
        if (list != nullptr) {
            release(list);
        }
        close(client, nullptr);
    }
    ::FreeLibrary(library);
    return any;
}
