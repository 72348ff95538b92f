#pragma once
// What a monitor reports about itself: identity texts, modules, Wi-Fi settings.
#include <cstdint>

#include "foundation/WideText.h"
#include "registry/ModuleMask.h"
#include "registry/ReportedEntry.h"
#include "registry/WifiConfig.h"

inline constexpr int kReportedListSize = 5;

struct MonitorAttribute {
    std::uint8_t item51Value = 0;  // item 0x0051, value + 1
    std::uint8_t item58Value = 0;  // item 0x0058, as sent
    std::uint8_t netType = 0;
    std::uint8_t item52Value = 0;  // item 0x0052, value + 1
    WChar infoText1[32]{};
    WChar infoText2[32]{};
    WChar softwareVersion[32]{};
    std::uint16_t bedNo = 0;
    ModuleMask loadedModules{};
    std::uint8_t connected = 2;
    float protocolVersion = 0.0f;
    WChar deviceName[13]{};
    ModuleMask moduleConfig{};
    WifiConfig wifi{};
    ReportedEntry reportedList[kReportedListSize]{};
    std::uint8_t reconnectSel = 0;
    std::uint8_t lastChange = 0xFF;

    // Every field 0, the Wi-Fi settings included.
    void Clear();
};
