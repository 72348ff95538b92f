#include "platform/WirelessAdapter.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool AnyInterfaceHasWirelessFolder(const fs::path& netClass) {
    std::error_code ec;
    fs::directory_iterator it(netClass, ec);
    if (ec) {
        return false;
    }
    for (const fs::directory_entry& entry : it) {
        // interfaces are symbolic links into /sys/devices; exists() follows them
        if (fs::exists(entry.path() / "wireless", ec)) {
            return true;
        }
    }
    return false;
}

bool FolderHasEntries(const fs::path& folder) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    return !ec && it != fs::directory_iterator();
}

}  // namespace

bool HasWirelessAdapter(const std::string& root) {
    const fs::path base(root.empty() ? std::string("/") : root);
    return AnyInterfaceHasWirelessFolder(base / "sys/class/net") ||
           FolderHasEntries(base / "sys/class/ieee80211");
}
