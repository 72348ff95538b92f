#include "network/CmpProtocol.h"

#include <atomic>
#include <vector>

#include "foundation/Log.h"
#include "foundation/UserMessages.h"
#include "network/CmpHandlers.h"
#include "network/CmpPacketHead.h"
#include "network/FrameCutter.h"
#include "network/IDispatchSink.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorObject.h"

namespace {

// Codes in the command table that need no action of their own here: the handshake's frames,
// parameter messages (addressed to parameter objects, none of which this system attaches),
// and reports this system does not read.
bool IsSilentCode(std::uint16_t cmd) {
    switch (cmd) {
        case 0x0005:
        case NET_NET_CONNECT_TYPE:
        case NET_PATIENT_GUID:
        case 0x0021:
        case 0x0022:
        case 0x0023:
        case 0x0024:
        case 0x0025:
        case 0x0026:
        case 0x0027:
        case 0x0028:
        case 0x0029:
        case 0x002A:
        case 0x002B:
        case 0x002E:
        case 0x002F:
        case 0x0047:
        case 0x0048:
        case 0x0050:
        case 0x0051:
        case 0x0060:
        case 0x0069:
        case 0x0070:
        case 0x0150:
        case 0x0151:
        case 0x0240:
        case 0x0241:
        case 0x0242:
        case 0x0243:
        case 0x0244:
        case 0x0245:
        case 0x0246:
        case 0x0260:
            return true;
        default:
            return cmd >= 0x003E && cmd <= 0x0045;
    }
}

// Debug frames posted and not yet shown, of all monitors together.
std::atomic<int> g_queuedDebugFrames{0};

void HandleUpgradeRequest(const std::uint8_t* frame, std::size_t length, MonitorObject* monitor) {
    if (HandleCmpUpgradeReq(frame, static_cast<int>(length), monitor) != 0) {
        return;  // nothing stored: there is no request to answer
    }
    if (IDispatchSink* sink = GetDispatchSink()) {
        sink->OnUpgradeRequest(monitor);
    }
}

// Only the monitor checked on the debug page talks to the console, and a monitor that floods
// cannot fill the UI queue: frames beyond the bound are not shown.
void PostDebugPacket(const std::uint8_t* frame, std::size_t length, MonitorObject* monitor) {
    CMonitorTable& table = GetMonitorTable();
    if (monitor == nullptr || table.GetPage() != kDebugPageIndex || !table.IsChecked(monitor) ||
        g_queuedDebugFrames.load() >= kMaxQueuedDebugFrames) {
        return;
    }
    UserMessage message;
    message.id = WM_DEBUG_PACKET;
    message.monitor = monitor;
    message.frame.assign(frame, frame + length);
    PostUserMessageCounted(std::move(message), g_queuedDebugFrames, kMaxQueuedDebugFrames);
}

// Acts on one valid frame. Returns false when the pass ends after it (command 0x0080).
bool HandleFrame(const std::uint8_t* frame, std::size_t length, MonitorObject* monitor,
                 std::int32_t timeLow, std::int32_t timeHigh, PacketInfo& packetInfo) {
    PostDebugPacket(frame, length, monitor);
    const std::uint16_t cmd = ReadLe16(frame + 2);
    switch (cmd) {
        case NET_PACKET_ACK:
            TraceLog("NET_PACKET_ACK \n");
            break;
        case NET_CONNECT_SUCCESS:
            TraceLog("NET_CONNECT_SUCCESS \n");
            break;
        case NET_PROTOCOL_HAND_SUCCESS:
            TraceLog("NET_PROTOCOL_HAND_SUCCESS \n");
            break;
        case NET_PROTOCOL_VERSION:
            TraceLog("NET_PROTOCOL_VERSION \n");
            break;
        case NET_PATIENT_INFO:
            TraceLog("NET_PATIENT_INFO \n");
            packetInfo.patientInfoSeen = 1;
            HandleCmpPatientInfo(frame, monitor);
            break;
        case NET_LOAD_MODULE_CONFIG:
            TraceLog("NET_LOAD_MODULE_CONFIG \n");
            packetInfo.moduleInfoSeen = 1;
            HandleCmpLoadorUnloadModule(frame, monitor);
            break;
        case NET_ICG_CONFIG:
            TraceLog("NET_ICG_CONFIG \n");
            break;
        case NET_BIS_CONFIG:
            TraceLog("NET_BIS_CONFIG \n");
            break;
        case NET_LIFE_ALARM_CONFIG:
            TraceLog("NET_LIFE_ALARM_CONFIG \n");
            break;
        case NET_ALARM_ALL_CONFIG:
            TraceLog("NET_ALARM_ALL_CONFIG \n");
            break;
        case CMP_CMD_DATA_END:
            packetInfo.endSeen = 1;
            break;
        case CMP_CMD_TIME_TICK:
            return false;
        case CMP_CMD_UPGRADE_REQUEST:
            HandleUpgradeRequest(frame, length, monitor);
            break;
        case CMP_CMD_COMMAND_RESULT:
            // An ignored result leaves lastResult as it was: nothing new to acknowledge.
            if (HandleCmpCommandResult(frame, monitor, timeLow, timeHigh) == 0) {
                if (IDispatchSink* sink = GetDispatchSink()) {
                    sink->OnCommandResult(monitor);
                }
            }
            break;
        case CMP_CMD_ATTRIBUTE:
            HandleCmpAttribute(frame, monitor);
            break;
        default:
            if (!IsSilentCode(cmd)) {
                TraceLog("CMP no Cmd = %d \n", static_cast<int>(cmd));
            }
            break;
    }
    return true;
}

}  // namespace

std::int32_t HandleCmpProcotol(std::uint8_t* buf, std::int32_t& len, MonitorObject* monitor,
                               std::int32_t timeLow, std::int32_t timeHigh,
                               PacketInfo& packetInfo) {
    ASSERT_LOG_AT(len > 0, "HandleCmpProcotol", 495);
    ASSERT_LOG_AT(buf != NULL, "HandleCmpProcotol", 496);
    if (len < 0 || len > kCmpMaxBlock) {
        TraceLog("CMP_DATA_FAILED\n");
        return kCmpBlockFailed;
    }
    if (packetInfo.endSeen == 1 && packetInfo.patientInfoSeen == 0 &&
        packetInfo.moduleInfoSeen == 0) {
        TraceLog("CMP_DATA_END\n");
        return kCmpDataEnd;
    }
    if (buf == nullptr) {
        len = 0;
        return kCmpBlockDone;
    }
    // One cutter per session thread keeps its scratch table between blocks.
    thread_local FrameCutter cutter(kCmpMaxSessionFrame);
    bool ticked = false;
    const std::size_t consumed = cutter.Cut(
        buf, static_cast<std::size_t>(len), [&](const std::uint8_t* frame, std::size_t length) {
            if (!HandleFrame(frame, length, monitor, timeLow, timeHigh, packetInfo)) {
                ticked = true;
                return false;
            }
            return true;
        });
    const std::int32_t blockLength = len;
    len = static_cast<std::int32_t>(consumed);
    if (ticked) {
        return len < blockLength ? kCmpTickMore : kCmpTickAtEnd;
    }
    return kCmpBlockDone;
}
