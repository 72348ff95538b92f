#include "registry/MonitorAttribute.h"

void MonitorAttribute::Clear() {
    WifiConfig clearedWifi;
    clearedWifi.Clear();
    *this = MonitorAttribute{};
    wifi = clearedWifi;
    connected = 0;
    lastChange = 0;
}
