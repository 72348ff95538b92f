#pragma once
// Frame and body layouts of what a monitor sends and what it reads from the tool.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "SimMonitorConfig.h"

using SimBytes = std::vector<std::uint8_t>;

// Command codes the monitor side uses.
namespace SimCmd {
inline constexpr std::uint16_t kPacketAck = 0x0001;
inline constexpr std::uint16_t kConnectSuccess = 0x0002;
inline constexpr std::uint16_t kProtocolVersion = 0x0004;
inline constexpr std::uint16_t kConnectType = 0x0006;
inline constexpr std::uint16_t kPatientGuid = 0x0010;
inline constexpr std::uint16_t kPatientInfo = 0x0011;
inline constexpr std::uint16_t kModuleSet = 0x0012;
inline constexpr std::uint16_t kUpgradeRequest = 0x0113;
inline constexpr std::uint16_t kUpgradeData = 0x0114;
inline constexpr std::uint16_t kCommandResult = 0x0120;
inline constexpr std::uint16_t kAttribute = 0x0200;
}  // namespace SimCmd

// Attribute item codes.
namespace SimItem {
inline constexpr std::uint16_t kInfoText1 = 0x0001;
inline constexpr std::uint16_t kInfoText2 = 0x0002;
inline constexpr std::uint16_t kSoftwareVersion = 0x0003;
inline constexpr std::uint16_t kModuleConfig = 0x0007;
inline constexpr std::uint16_t kDeviceName = 0x0050;
inline constexpr std::uint16_t kWifi = 0x0053;
inline constexpr std::uint16_t kServerAddress = 0x0056;
inline constexpr std::uint16_t kReconnectTime = 0x0059;
}  // namespace SimItem

inline constexpr std::size_t kSimWifiValueSize = 92;
inline constexpr std::size_t kSimPatientBodySize = 424;
inline constexpr std::size_t kSimUpgradeDataBodySize = 516;
inline constexpr std::size_t kSimPieceSize = 512;

// A whole frame: header (len, cmd, serial, checksum) completed around body.
SimBytes SimBuildFrame(std::uint16_t cmd, std::uint16_t serial, const SimBytes& body);

// Handshake bodies.
SimBytes SimVersionBody(const SimMonitorConfig& c);
SimBytes SimConnectTypeBody(const SimMonitorConfig& c);
SimBytes SimGuidBody(const GUID& guid);

// Attribute report bodies (item code first).
SimBytes SimTextItemBody(std::uint16_t item, const std::string& text);  // items 0x0001..0x0003
SimBytes SimDeviceNameBody(const std::string& name);
SimBytes SimModuleConfigBody(const SimModuleMask& mask);
SimBytes SimWifiBody(const SimWifiSettings& w);
SimBytes SimServerAddressBody(const SimWifiSettings& w);
SimBytes SimReconnectBody(std::uint8_t sel);
SimBytes SimModuleSetBody(const SimModuleMask& mask);
SimBytes SimPatientInfoBody(const SimPatientInfo& p);

SimBytes SimCommandResultBody(std::uint32_t command, std::uint16_t status, std::uint16_t detail);
SimBytes SimUpgradeRequestBody(std::int8_t fileSerial, std::int32_t serialNum);

// Readers for what the tool sends; empty when the body is too short for its fields.
struct SimUpgradeData {
    std::int16_t piece = 0;
    std::uint16_t countOrLength = 0;
    const std::uint8_t* data = nullptr;  // 512 bytes inside the frame given
};
std::optional<SimUpgradeData> SimParseUpgradeData(const std::uint8_t* frame, std::size_t length);

struct SimCommandResult {
    std::uint32_t command = 0;
    std::uint16_t status = 0;
    std::uint16_t detail = 0;
};
std::optional<SimCommandResult> SimParseCommandResult(const std::uint8_t* frame,
                                                      std::size_t length);

// Text of a fixed-width UTF-8 field up to its first zero byte.
std::string SimFieldText(const std::uint8_t* field, std::size_t width);
