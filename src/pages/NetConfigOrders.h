#pragma once
// The four network configuration orders (command 0x0200): device name, Wi-Fi settings, server
// address and reconnect time. The body builders are pure, so the bytes can be checked without
// a socket; the senders number each order with the monitor's next serial and send it whole
// under the monitor's send lock. A failed send is not reported (the page sends all four orders
// one after the other regardless).
#include <array>
#include <cstdint>
#include <string>

#include "registry/WifiConfig.h"

class MonitorObject;

inline constexpr std::uint16_t kCmdAttributeOrder = 0x0200;
inline constexpr std::uint16_t kItemDeviceName = 0x0050;
inline constexpr std::uint16_t kItemWifi = 0x0053;
inline constexpr std::uint16_t kItemServerAddress = 0x0056;
inline constexpr std::uint16_t kItemReconnectTime = 0x0059;

inline constexpr std::size_t kLabelBodySize = 52;
inline constexpr std::size_t kWifiBodySize = 94;
inline constexpr std::size_t kServerIpBodySize = 8;
inline constexpr std::size_t kReconnectBodySize = 3;
// UTF-8 bytes a device name keeps; the 50-byte field always ends with a zero byte.
inline constexpr std::size_t kDeviceNameMaxBytes = 49;
// UTF-8 bytes an SSID or password keeps in its 40-byte field.
inline constexpr std::size_t kWifiTextMaxBytes = 39;
// The port monitor sessions come in on, sent when a monitor reported no server port.
inline constexpr std::uint16_t kDefaultServerPort = 9500;

using LabelConfigBody = std::array<std::uint8_t, kLabelBodySize>;
using WifiConfigBody = std::array<std::uint8_t, kWifiBodySize>;
using ServerIpConfigBody = std::array<std::uint8_t, kServerIpBodySize>;
using ReconnectConfigBody = std::array<std::uint8_t, kReconnectBodySize>;

// deviceName is text in the narrow code page; its UTF-8 form is cut to at most 49 bytes, at a
// character boundary. SSID and password are cut the same way to 39 bytes (the page refuses
// longer ones before it builds the order).
LabelConfigBody BuildLabelConfigBody(const std::string& deviceName);
WifiConfigBody BuildWifiConfigBody(const WifiConfig& wifi);
// serverIp in network byte order.
ServerIpConfigBody BuildServerIpConfigBody(std::uint32_t serverIp, std::uint16_t serverPort);
// index: 0 "5s", 1 "30s", 2 "60s", 3 "3min".
ReconnectConfigBody BuildReconnectConfigBody(std::uint8_t index);

// The server port the monitor itself reported (item 0x0056), or 9500 when it reported none.
std::uint16_t ReportedServerPort(MonitorObject* monitor);

void SendLabelConfigOrder(MonitorObject* monitor, const std::string& deviceName);
void SendWifiConfigOrder(MonitorObject* monitor, const WifiConfig& wifi);
void SendServerIpConfigOrder(MonitorObject* monitor, std::uint32_t serverIp,
                             std::uint16_t serverPort);
// With the monitor's reported server port.
void SendServerIpConfigOrder(MonitorObject* monitor, std::uint32_t serverIp);
void SendReconnectConfigOrder(MonitorObject* monitor, std::uint8_t index);
