#pragma once
// The receiving end of the CMP protocol after the handshake: cuts a block of received bytes
// into frames and acts on each by its command code.
#include <cstddef>
#include <cstdint>

class MonitorObject;

// CMP command codes.
inline constexpr std::uint16_t NET_PACKET_ACK = 0x0001;
inline constexpr std::uint16_t NET_CONNECT_SUCCESS = 0x0002;
inline constexpr std::uint16_t NET_PROTOCOL_HAND_SUCCESS = 0x0003;
inline constexpr std::uint16_t NET_PROTOCOL_VERSION = 0x0004;
inline constexpr std::uint16_t NET_NET_CONNECT_TYPE = 0x0006;
inline constexpr std::uint16_t NET_PATIENT_GUID = 0x0010;
inline constexpr std::uint16_t NET_PATIENT_INFO = 0x0011;
inline constexpr std::uint16_t NET_LOAD_MODULE_CONFIG = 0x0012;
inline constexpr std::uint16_t NET_ICG_CONFIG = 0x002C;
inline constexpr std::uint16_t NET_BIS_CONFIG = 0x002D;
inline constexpr std::uint16_t NET_LIFE_ALARM_CONFIG = 0x0046;
inline constexpr std::uint16_t NET_ALARM_ALL_CONFIG = 0x0500;
inline constexpr std::uint16_t CMP_CMD_DATA_END = 0x0052;
inline constexpr std::uint16_t CMP_CMD_TIME_TICK = 0x0080;
inline constexpr std::uint16_t CMP_CMD_UPGRADE_REQUEST = 0x0113;
inline constexpr std::uint16_t CMP_CMD_UPGRADE_DATA = 0x0114;
inline constexpr std::uint16_t CMP_CMD_COMMAND_RESULT = 0x0120;
inline constexpr std::uint16_t CMP_CMD_ATTRIBUTE = 0x0200;

// Result codes of HandleCmpProcotol.
inline constexpr std::int32_t kCmpBlockDone = 2;     // whole block processed
inline constexpr std::int32_t kCmpTickAtEnd = 0;     // stopped at 0x0080, nothing after it
inline constexpr std::int32_t kCmpTickMore = 11;     // stopped at 0x0080, bytes left after it
inline constexpr std::int32_t kCmpBlockFailed = -1;  // block length out of range
inline constexpr std::int32_t kCmpDataEnd = -2;      // the monitor has finished

// Largest block the dispatch accepts.
inline constexpr std::int32_t kCmpMaxBlock = 32768;
// Largest frame the session's window can ever hold (its kept tail stays below 16384 bytes).
inline constexpr std::size_t kCmpMaxSessionFrame = 16383;
// Page index of the debug page in the monitor table.
inline constexpr int kDebugPageIndex = 4;
// Debug frames (WM_DEBUG_PACKET) waiting in the UI queue at most, of all monitors together;
// newer ones are dropped until the page has shown some.
inline constexpr int kMaxQueuedDebugFrames = 64;

// Per-session dispatch state, all 0 when the session starts.
struct PacketInfo {
    std::int32_t patientInfoSeen = 0;  // a 0x0011 arrived
    std::int32_t moduleInfoSeen = 0;   // a 0x0012 arrived
    std::int32_t endSeen = 0;          // a 0x0052 arrived
};

// len: in, the bytes in buf; out, the bytes consumed (unchanged for results -1 and -2).
// timeLow/timeHigh: the two halves of the session's time value, stored with command results.
std::int32_t HandleCmpProcotol(std::uint8_t* buf, std::int32_t& len, MonitorObject* monitor,
                               std::int32_t timeLow, std::int32_t timeHigh, PacketInfo& packetInfo);
