// The Linux wireless-adapter check over a folder that mimics /sys.
#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "platform/WirelessAdapter.h"

namespace fs = std::filesystem;

TEST(WirelessAdapter, FoundThroughEitherKernelListing) {
    struct Case {
        const char* name;
        std::vector<const char*> dirs;
        bool present;
    } cases[] = {
        {"nothing", {}, false},
        {"wired only", {"sys/class/net/eth0", "sys/class/net/lo"}, false},
        {"wireless interface", {"sys/class/net/eth0", "sys/class/net/wlan0/wireless"}, true},
        {"empty phy listing", {"sys/class/ieee80211"}, false},
        {"phy listed", {"sys/class/ieee80211/phy0"}, true},
    };
    for (const Case& c : cases) {
        TempDir root;
        for (const char* dir : c.dirs) {
            fs::create_directories(fs::path(root.path()) / dir);
        }
        EXPECT_EQ(HasWirelessAdapter(root.path()), c.present) << c.name;
    }
}

TEST(WirelessAdapter, InterfaceLinksAreFollowed) {
    TempDir root;
    const fs::path device = fs::path(root.path()) / "sys/devices/pci0/net/wlp2s0";
    fs::create_directories(device / "wireless");
    fs::create_directories(fs::path(root.path()) / "sys/class/net");
    fs::create_directory_symlink(device, fs::path(root.path()) / "sys/class/net/wlp2s0");
    EXPECT_TRUE(HasWirelessAdapter(root.path()));
    // a dangling link is no adapter
    fs::remove_all(device);
    EXPECT_FALSE(HasWirelessAdapter(root.path()));
}
