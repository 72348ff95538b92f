#include "platform/WirelessAdapter.h"

#include <windows.h>
// after windows.h, which it needs
#include <wlanapi.h>

bool HasWirelessAdapter(const std::string& /*root: a Linux test seam*/) {
    DWORD version = 0;
    HANDLE client = nullptr;
    if (::WlanOpenHandle(2, nullptr, &version, &client) != ERROR_SUCCESS) {
        return false;
    }
    PWLAN_INTERFACE_INFO_LIST list = nullptr;
    bool any = false;
    if (::WlanEnumInterfaces(client, nullptr, &list) == ERROR_SUCCESS && list != nullptr) {
        any = list->dwNumberOfItems > 0;
    }
    if (list != nullptr) {
        ::WlanFreeMemory(list);
    }
    ::WlanCloseHandle(client, nullptr);
    return any;
}
