#include "registry/WifiConfig.h"

#include <cstddef>

namespace {
// Clears the field, then copies the source text up to its terminator, at most N - 1 units, so
// the destination always ends terminated even when the source field is full.
template <std::size_t N>
void CopyText(WChar (&dst)[N], const WChar (&src)[N]) {
    std::size_t i = 0;
    for (; i + 1 < N && src[i] != u'\0'; ++i) {
        dst[i] = src[i];
    }
    for (; i < N; ++i) {
        dst[i] = u'\0';
    }
}
}  // namespace

WifiConfig::WifiConfig(const WifiConfig& other) {
    *this = other;
}

WifiConfig& WifiConfig::operator=(const WifiConfig& other) {
    if (this == &other) {
        return *this;
    }
    CopyText(ssid, other.ssid);
    authen = other.authen;
    CopyText(password, other.password);
    roamThreshold = other.roamThreshold;
    roamSwitch = other.roamSwitch;
    wifiPower = other.wifiPower;
    deviceIp = other.deviceIp;
    ipAccess = other.ipAccess;
    serverIp = other.serverIp;
    serverPort = other.serverPort;
    reserved = other.reserved;
    channel = other.channel;
    return *this;
}

void WifiConfig::Clear() {
    for (WChar& c : ssid) {
        c = u'\0';
    }
    authen = 0;
    for (WChar& c : password) {
        c = u'\0';
    }
    roamThreshold = 0;
    roamSwitch = 0;
    wifiPower = 0;
    deviceIp = 0;
    ipAccess = 0;
    serverIp = 0;
    serverPort = 0;
    reserved = 0;
    channel = 0;
}
