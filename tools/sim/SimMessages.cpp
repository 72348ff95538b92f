#include "SimMessages.h"

#include <cstring>

#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"

namespace {

void PutText(SimBytes& b, std::size_t offset, std::size_t width, const std::string& text) {
    // Always leaves a terminating zero inside the field.
    const std::size_t n = text.size() < width ? text.size() : width - 1;
    std::memcpy(b.data() + offset, text.data(), n);
    b[offset + n] = 0;
}

void PutFloat(SimBytes& b, std::size_t offset, float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    WriteLe32(b.data() + offset, bits);
}

SimBytes ItemBody(std::uint16_t item, std::size_t valueSize) {
    SimBytes b(2 + valueSize, 0);
    WriteLe16(b.data(), item);
    return b;
}

}  // namespace

SimBytes SimBuildFrame(std::uint16_t cmd, std::uint16_t serial, const SimBytes& body) {
    SimBytes f(kCmpHeadSize + body.size(), 0);
    WriteLe16(f.data(), static_cast<std::uint16_t>(f.size()));
    WriteLe16(f.data() + 2, cmd);
    WriteLe16(f.data() + 4, serial);
    if (!body.empty()) {
        std::memcpy(f.data() + kCmpHeadSize, body.data(), body.size());
    }
    WriteLe16(f.data() + 6, static_cast<std::uint16_t>(
                                CmpChecksum(f.data(), static_cast<std::int32_t>(f.size()))));
    return f;
}

SimBytes SimVersionBody(const SimMonitorConfig& c) {
    return SimBytes(c.protocolVersion.begin(), c.protocolVersion.end());
}

SimBytes SimConnectTypeBody(const SimMonitorConfig& c) {
    return SimBytes{c.connectType};
}

SimBytes SimGuidBody(const GUID& guid) {
    SimBytes b(16, 0);
    WriteLe32(b.data(), guid.Data1);
    WriteLe16(b.data() + 4, guid.Data2);
    WriteLe16(b.data() + 6, guid.Data3);
    std::memcpy(b.data() + 8, guid.Data4, 8);
    return b;
}

SimBytes SimTextItemBody(std::uint16_t item, const std::string& text) {
    SimBytes b = ItemBody(item, 16);
    PutText(b, 2, 16, text);
    return b;
}

SimBytes SimDeviceNameBody(const std::string& name) {
    SimBytes b = ItemBody(SimItem::kDeviceName, 50);
    PutText(b, 2, 50, name);
    return b;
}

SimBytes SimModuleConfigBody(const SimModuleMask& mask) {
    SimBytes b = ItemBody(SimItem::kModuleConfig, kSimModuleSlots);
    std::memcpy(b.data() + 2, mask.data(), kSimModuleSlots);
    return b;
}

SimBytes SimWifiBody(const SimWifiSettings& w) {
    SimBytes b = ItemBody(SimItem::kWifi, kSimWifiValueSize);
    std::uint8_t* v = b.data() + 2;
    PutText(b, 2, 40, w.ssid);
    v[40] = w.authen;
    PutText(b, 2 + 41, 40, w.password);
    WriteLe16(v + 81, static_cast<std::uint16_t>(w.roamThreshold));
    v[83] = w.roamSwitch;
    v[84] = w.wifiPower;
    std::memcpy(v + 85, w.deviceIp.data(), 4);
    v[89] = w.ipAccess;
    v[90] = w.reserved;
    v[91] = w.channel;
    return b;
}

SimBytes SimServerAddressBody(const SimWifiSettings& w) {
    SimBytes b = ItemBody(SimItem::kServerAddress, 6);
    std::memcpy(b.data() + 2, w.serverIp.data(), 4);
    WriteLe16(b.data() + 6, w.serverPort);
    return b;
}

SimBytes SimReconnectBody(std::uint8_t sel) {
    SimBytes b = ItemBody(SimItem::kReconnectTime, 1);
    b[2] = sel;
    return b;
}

SimBytes SimModuleSetBody(const SimModuleMask& mask) {
    return SimBytes(mask.begin(), mask.end());
}

SimBytes SimPatientInfoBody(const SimPatientInfo& p) {
    SimBytes b(kSimPatientBodySize, 0);
    WriteLe16(b.data() + 2, p.bedNo);
    b[4] = p.code2;
    b[5] = p.code1;
    b[6] = p.code3;
    PutFloat(b, 7, p.value1);
    PutFloat(b, 11, p.value2);
    b[15] = p.code4;
    WriteLe16(b.data() + 16, p.year1);
    b[18] = p.month1;
    b[19] = p.day1;
    WriteLe16(b.data() + 24, p.year2);
    b[26] = p.month2;
    b[27] = p.day2;
    PutText(b, 32, 64, p.text6);
    PutText(b, 96, 64, p.text3);
    PutText(b, 160, 64, p.text2);
    PutText(b, 224, 64, p.text5);
    PutText(b, 288, 64, p.text4);
    PutText(b, 352, 64, p.text1);
    PutFloat(b, 416, p.value3);
    PutFloat(b, 420, p.value4);
    return b;
}

SimBytes SimCommandResultBody(std::uint32_t command, std::uint16_t status, std::uint16_t detail) {
    SimBytes b(8, 0);
    WriteLe32(b.data(), command);
    WriteLe16(b.data() + 4, status);
    WriteLe16(b.data() + 6, detail);
    return b;
}

SimBytes SimUpgradeRequestBody(std::int8_t fileSerial, std::int32_t serialNum) {
    SimBytes b(5, 0);
    b[0] = static_cast<std::uint8_t>(fileSerial);
    WriteLe32(b.data() + 1, static_cast<std::uint32_t>(serialNum));
    return b;
}

std::optional<SimUpgradeData> SimParseUpgradeData(const std::uint8_t* frame, std::size_t length) {
    if (frame == nullptr || length < kCmpHeadSize + kSimUpgradeDataBodySize) {
        return std::nullopt;
    }
    const std::uint8_t* body = frame + kCmpHeadSize;
    SimUpgradeData d;
    d.piece = static_cast<std::int16_t>(ReadLe16(body));
    d.countOrLength = ReadLe16(body + 2);
    d.data = body + 4;
    return d;
}

std::optional<SimCommandResult> SimParseCommandResult(const std::uint8_t* frame,
                                                      std::size_t length) {
    if (frame == nullptr || length < kCmpHeadSize + 8) {
        return std::nullopt;
    }
    const std::uint8_t* body = frame + kCmpHeadSize;
    return SimCommandResult{ReadLe32(body), ReadLe16(body + 4), ReadLe16(body + 6)};
}

std::string SimFieldText(const std::uint8_t* field, std::size_t width) {
    std::size_t n = 0;
    while (n < width && field[n] != 0) {
        ++n;
    }
    return std::string(reinterpret_cast<const char*>(field), n);
}
