#pragma once
// The monitor's Wi-Fi and server settings; the network page uses the same record as its state.
#include <cstdint>

#include "foundation/WideText.h"

struct WifiConfig {
    WChar ssid[40]{};
    std::uint8_t authen = 0;
    WChar password[40]{};
    std::int16_t roamThreshold = -65;
    std::uint8_t roamSwitch = 1;
    std::uint8_t wifiPower = 0;
    std::uint32_t deviceIp = 0;  // network byte order
    std::uint8_t ipAccess = 0;
    std::uint32_t serverIp = 0;  // network byte order
    std::uint16_t serverPort = 9500;
    std::uint8_t reserved = 0;
    std::uint8_t channel = 0;

    WifiConfig() = default;
    // A copy clears ssid and password and takes the source's texts up to their terminators.
    WifiConfig(const WifiConfig& other);
    WifiConfig& operator=(const WifiConfig& other);

    // Every field 0 (the state inside a freshly built status store).
    void Clear();
};
