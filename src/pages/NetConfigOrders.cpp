#include "pages/NetConfigOrders.h"

#include <cstring>

#include "foundation/Log.h"
#include "foundation/PublicFunctions.h"
#include "network/CmpPacketHead.h"
#include "network/SendCmpData.h"
#include "registry/MonitorAttribute.h"
#include "registry/MonitorObject.h"

namespace {

// The largest body plus the header, zeroed before each order.
constexpr std::size_t kOrderBufferSize = 128;
static_assert(kCmpHeadSize + kWifiBodySize <= kOrderBufferSize);

// Copies at most maxBytes of UTF-8 text into a field that keeps room for the zero after it.
// A cut never ends inside a character: the monitor would show a broken last character.
void CopyText(std::uint8_t* field, const std::string& text, std::size_t maxBytes) {
    std::size_t n = text.size() < maxBytes ? text.size() : maxBytes;
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) {
        --n;
    }
    std::memcpy(field, text.data(), n);
    field[n] = 0;
}

// The field's text up to its terminator or its capacity: a full 40-unit field has no
// terminator, and the conversion must not run on into the neighbouring fields.
template <std::size_t N>
std::string Utf8Field(const WChar (&field)[N]) {
    return CPublicFunctions::UnicodeToUtf8(FieldText(field).c_str());
}

template <std::size_t N>
void SendOrder(MonitorObject* monitor, const std::array<std::uint8_t, N>& body) {
    static_assert(kCmpHeadSize + N <= kOrderBufferSize);
    if (monitor == nullptr) {
        return;
    }
    std::uint8_t frame[kOrderBufferSize] = {};
    std::memcpy(frame + kCmpHeadSize, body.data(), N);
    const std::uint32_t serial = monitor->NextSerialPreIncrement();
    SendCmpControlCommand(frame, static_cast<std::uint16_t>(N), kCmdAttributeOrder, *monitor,
                          static_cast<std::uint16_t>(serial));
}

}  // namespace

LabelConfigBody BuildLabelConfigBody(const std::string& deviceName) {
    LabelConfigBody body{};
    WriteLe16(body.data(), kItemDeviceName);
    const WString wide = CPublicFunctions::MultiByteToWstring(deviceName.c_str());
    CopyText(body.data() + 2, CPublicFunctions::UnicodeToUtf8(wide.c_str()), kDeviceNameMaxBytes);
    return body;
}

WifiConfigBody BuildWifiConfigBody(const WifiConfig& wifi) {
    WifiConfigBody body{};
    WriteLe16(body.data(), kItemWifi);
    CopyText(body.data() + 2, Utf8Field(wifi.ssid), kWifiTextMaxBytes);
    body[42] = static_cast<std::uint8_t>(wifi.authen - 1);
    CopyText(body.data() + 43, Utf8Field(wifi.password), kWifiTextMaxBytes);
    WriteLe16(body.data() + 83, static_cast<std::uint16_t>(wifi.roamThreshold));
    body[85] = wifi.roamSwitch;
    body[86] = wifi.wifiPower;
    std::memcpy(body.data() + 87, &wifi.deviceIp, 4);  // already in network byte order
    body[91] = static_cast<std::uint8_t>(wifi.ipAccess - 1);
    body[92] = wifi.reserved;
    body[93] = wifi.channel;
    return body;
}

ServerIpConfigBody BuildServerIpConfigBody(std::uint32_t serverIp, std::uint16_t serverPort) {
    ServerIpConfigBody body{};
    WriteLe16(body.data(), kItemServerAddress);
    std::memcpy(body.data() + 2, &serverIp, 4);  // already in network byte order
    WriteLe16(body.data() + 6, serverPort);
    return body;
}

ReconnectConfigBody BuildReconnectConfigBody(std::uint8_t index) {
    ReconnectConfigBody body{};
    WriteLe16(body.data(), kItemReconnectTime);
    body[2] = index;
    return body;
}

std::uint16_t ReportedServerPort(MonitorObject* monitor) {
    if (monitor == nullptr || monitor->GetStatus() == nullptr) {
        return kDefaultServerPort;
    }
    MonitorAttribute attribute;
    monitor->GetStatus()->GetMonitorAttribute(&attribute);
    return attribute.wifi.serverPort != 0 ? attribute.wifi.serverPort : kDefaultServerPort;
}

void SendLabelConfigOrder(MonitorObject* monitor, const std::string& deviceName) {
    ASSERT_LOG(monitor != nullptr);
    SendOrder(monitor, BuildLabelConfigBody(deviceName));
}

void SendWifiConfigOrder(MonitorObject* monitor, const WifiConfig& wifi) {
    ASSERT_LOG(monitor != nullptr);
    SendOrder(monitor, BuildWifiConfigBody(wifi));
}

void SendServerIpConfigOrder(MonitorObject* monitor, std::uint32_t serverIp,
                             std::uint16_t serverPort) {
    ASSERT_LOG(monitor != nullptr);
    SendOrder(monitor, BuildServerIpConfigBody(serverIp, serverPort));
}

void SendServerIpConfigOrder(MonitorObject* monitor, std::uint32_t serverIp) {
    SendServerIpConfigOrder(monitor, serverIp, ReportedServerPort(monitor));
}

void SendReconnectConfigOrder(MonitorObject* monitor, std::uint8_t index) {
    ASSERT_LOG(monitor != nullptr);
    SendOrder(monitor, BuildReconnectConfigBody(index));
}
