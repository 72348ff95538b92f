#include <algorithm>
#include <cstddef>
#include <cstring>

#include "network/CmpHandleText.h"
#include "network/CmpHandlers.h"
#include "network/CmpPacketHead.h"
#include "registry/MonitorObject.h"

namespace {

constexpr std::size_t kItemCodeSize = 2;
constexpr std::size_t kInfoTextWidth = 16;
constexpr std::size_t kDeviceNameWidth = 50;
constexpr std::size_t kWifiReportSize = 92;
constexpr std::size_t kWifiTextWidth = 40;
constexpr std::size_t kListEntrySize = 49;
constexpr std::size_t kListNameWidth = 40;
constexpr std::size_t kServerAddressSize = 6;

// Value bytes an item needs; the list report's size depends on its count byte.
// Returns false for an item this system does not know.
bool ItemValueSize(std::uint16_t item, const std::uint8_t* value, std::size_t available,
                   std::size_t& size) {
    switch (item) {
        case 0x0001:
        case 0x0002:
        case 0x0003:
            size = kInfoTextWidth;
            return true;
        case 0x0004:
        case 0x0005:
        case 0x0006:
        case 0x0055:
            size = 0;
            return true;
        case 0x0007:
            size = kModuleIndexCount;
            return true;
        case 0x0050:
            size = kDeviceNameWidth;
            return true;
        case 0x0051:
        case 0x0052:
        case 0x0058:
        case 0x0059:
            size = 1;
            return true;
        case 0x0053:
            size = kWifiReportSize;
            return true;
        case 0x0054:
            size = 1;
            if (available >= 1) {
                const std::size_t n = std::min<std::size_t>(value[0], kReportedListSize);
                size += kListEntrySize * n;
            }
            return true;
        case 0x0056:
            size = kServerAddressSize;
            return true;
        default:
            return false;
    }
}

// Items 0x0001 to 0x0003: stored only when the text fits (a 15-byte field always does).
template <std::size_t N>
bool StoreInfoText(WChar (&field)[N], const std::uint8_t* value) {
    const WString text = CmpFieldText(value, kInfoTextWidth);
    if (text.size() >= N) {
        return false;
    }
    CopyToField(field, text);
    return true;
}

// A name longer than the field is cut to what fits, never inside a surrogate pair: a device
// renamed with a long name still shows the start of it rather than a stale name.
template <std::size_t N>
void StoreCutText(WChar (&field)[N], WString text) {
    if (text.size() > N - 1) {
        std::size_t n = N - 1;
        if (text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) {
            --n;
        }
        text.resize(n);
    }
    CopyToField(field, text);
}

void StoreWifiReport(WifiConfig& wifi, const std::uint8_t* v) {
    CopyToField(wifi.ssid, CmpFieldText(v, kWifiTextWidth));
    wifi.authen = static_cast<std::uint8_t>(v[40] + 1);
    CopyToField(wifi.password, CmpFieldText(v + 41, kWifiTextWidth));
    wifi.roamThreshold = static_cast<std::int16_t>(ReadLe16(v + 81));
    wifi.roamSwitch = v[83];
    wifi.wifiPower = v[84];
    std::memcpy(&wifi.deviceIp, v + 85, sizeof(wifi.deviceIp));  // network byte order
    wifi.ipAccess = static_cast<std::uint8_t>(v[89] + 1);
    wifi.reserved = v[90];
    wifi.channel = v[91];
}

void StoreListReport(ReportedEntry (&list)[kReportedListSize], const std::uint8_t* v) {
    const std::size_t n = std::min<std::size_t>(v[0], kReportedListSize);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* e = v + 1 + kListEntrySize * i;
        ReportedEntry& entry = list[i];
        CopyToField(entry.name, CmpFieldText(e, kListNameWidth));
        entry.kind = static_cast<std::uint8_t>(e[40] + 1);
        entry.word1 = ReadLe16(e + 41);
        entry.dword = ReadLe32(e + 43);
        entry.word2 = ReadLe16(e + 47);
    }
    for (std::size_t i = n; i < kReportedListSize; ++i) {
        CopyToField(list[i].name, WString());
    }
}

}  // namespace

int HandleCmpAttribute(const std::uint8_t* pPacketHead, MonitorObject* monitor) {
    MonitorSystemStatus* pStatus = monitor != nullptr ? monitor->GetStatus() : nullptr;
    if (pStatus == nullptr || pPacketHead == nullptr) {
        return -1;
    }
    const std::size_t length = ReadLe16(pPacketHead);
    if (length < kCmpHeadSize + kItemCodeSize) {
        return -1;
    }
    const std::uint16_t item = ReadLe16(pPacketHead + kCmpHeadSize);
    const std::uint8_t* v = pPacketHead + kCmpHeadSize + kItemCodeSize;
    const std::size_t available = length - kCmpHeadSize - kItemCodeSize;
    std::size_t needed = 0;
    if (!ItemValueSize(item, v, available, needed) || available < needed) {
        return -1;
    }

    MonitorAttribute tempAttr;
    pStatus->GetMonitorAttribute(&tempAttr);
    switch (item) {
        case 0x0001:
            if (StoreInfoText(tempAttr.infoText1, v)) {
                tempAttr.lastChange = 2;
            }
            break;
        case 0x0002:
            if (StoreInfoText(tempAttr.infoText2, v)) {
                tempAttr.lastChange = 3;
            }
            break;
        case 0x0003:
            if (StoreInfoText(tempAttr.softwareVersion, v)) {
                tempAttr.lastChange = 4;
            }
            break;
        case 0x0005:
            tempAttr.lastChange = 6;
            break;
        case 0x0007:
            std::memcpy(tempAttr.moduleConfig.module, v, kModuleIndexCount);
            tempAttr.lastChange = 8;
            break;
        case 0x0050:
            StoreCutText(tempAttr.deviceName, CmpFieldText(v, kDeviceNameWidth));
            tempAttr.lastChange = 14;
            break;
        case 0x0051:
            tempAttr.item51Value = static_cast<std::uint8_t>(v[0] + 1);
            tempAttr.lastChange = 10;
            break;
        case 0x0052:
            tempAttr.item52Value = static_cast<std::uint8_t>(v[0] + 1);
            tempAttr.lastChange = 11;
            break;
        case 0x0053:
            StoreWifiReport(tempAttr.wifi, v);
            tempAttr.lastChange = 15;
            break;
        case 0x0054:
            StoreListReport(tempAttr.reportedList, v);
            tempAttr.lastChange = 12;
            break;
        case 0x0055:
            tempAttr.lastChange = 13;
            break;
        case 0x0056:
            std::memcpy(&tempAttr.wifi.serverIp, v, sizeof(tempAttr.wifi.serverIp));
            tempAttr.wifi.serverPort = ReadLe16(v + 4);
            tempAttr.lastChange = 16;
            break;
        case 0x0058:
            tempAttr.item58Value = v[0];
            tempAttr.lastChange = 20;
            break;
        case 0x0059:
            tempAttr.reconnectSel = v[0];
            break;
        default:  // 0x0004, 0x0006: not read
            break;
    }
    pStatus->SetMonitorAttribute(&tempAttr);
    return 0;
}
