// The upgrade manager's serving side: the start, the invitation thread and the answers to the
// monitors' piece requests.
#include <array>
#include <cstring>
#include <utility>

#include "foundation/Log.h"
#include "network/CmpPacketHead.h"
#include "network/SendCmpData.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorObject.h"
#include "upgrade/UpdateConfigManager.h"

namespace {

constexpr std::uint16_t kCmdUpgradeInvite = 275;  // 0x0113
constexpr std::uint16_t kCmdUpgradeData = 276;    // 0x0114
constexpr std::size_t kInviteBufferSize = 30;
constexpr std::size_t kAnswerBufferSize = 2048;
constexpr std::uint16_t kAnswerBodyLength = 516;
constexpr std::size_t kAnswerDataSize = 512;

}  // namespace

std::vector<MonitorObject*> ListedMonitors() {
    return GetMonitorTable().GetAllMonitors();
}

UpdateConfigManager::UpdateConfigManager(MonitorList monitors,
                                         std::chrono::milliseconds invitationPeriod)
    : m_monitors(std::move(monitors)), m_poller(invitationPeriod) {}

bool UpdateConfigManager::StartUpgrade(int mode, const std::string& folder) {
    if (mode != 0) {
        return false;
    }
    UpgradeFileSet files;
    files.LoadFolder(folder);
    return StartUpgrade(mode, std::move(files));
}

bool UpdateConfigManager::StartUpgrade(int mode, UpgradeFileSet files) {
    if (mode != 0) {
        return false;
    }
    if (!files.CanServe()) {
        // Inviting monitors to a set that serves nothing could only make them fail.
        TraceLog("StartUpgrade: the firmware set cannot be served (%d refused)\n",
                 static_cast<int>(files.Refusals().size()));
        return false;
    }
    m_files = std::move(files);
    ResetUpgradeStates();
    m_poller.Start([this] { UpgradePollThreadProc(); });
    return true;
}

void UpdateConfigManager::StopUpgrade() {
    m_poller.Halt();
    m_files = UpgradeFileSet();
    ClearUpgradeStatus();
}

void UpdateConfigManager::ResetUpgradeStates() {
    ClearUpgradeStatus();
    if (!m_monitors) {
        return;
    }
    for (MonitorObject* monitor : m_monitors()) {
        SetUpgradeStatus(monitor, UpgradeStatus{0, kUpgradeWaiting});
    }
}

void UpdateConfigManager::UpgradePollThreadProc() {
    for (;;) {
        int sent = 0;
        // The list is taken afresh each pass, so a monitor that left it is no longer invited.
        if (m_monitors) {
            for (MonitorObject* monitor : m_monitors()) {
                if (GetUpgradeStatus(monitor).state == kUpgradeWaiting) {
                    SendUpdateReq(monitor);
                    ++sent;
                }
            }
        }
        if (!m_poller.WaitNextPass(sent)) {
            return;
        }
    }
}

void UpdateConfigManager::SendUpdateReq(MonitorObject* monitor) {
    if (monitor == nullptr) {
        return;
    }
    std::array<std::uint8_t, kInviteBufferSize> frame{};
    frame[kCmpHeadSize] = 1;
    const std::uint32_t serial = monitor->TakeSerialPostIncrement();
    SendCmpControlCommand(frame.data(), 1, kCmdUpgradeInvite, *monitor,
                          static_cast<std::uint16_t>(serial));
}

void UpdateConfigManager::UpdateUpgradeReq(MonitorObject* monitor) {
    if (monitor == nullptr) {
        return;
    }
    // The request is taken once: of several stored before this runs, only the latest is
    // answered, and a message that finds it answered already sends nothing.
    UpgradeRequest request;
    if (!monitor->TakeUpgradeRequest(request)) {
        return;
    }
    if (!m_files.CanServe()) {
        return;  // nothing is served: a count of 0 would read as an upgrade with no files
    }
    ApplyRequest(monitor, request);
    if (!HasUpgradeStatus(monitor)) {
        return;
    }
    // Only the head and body go out, so only they are cleared (not the whole buffer).
    std::array<std::uint8_t, kAnswerBufferSize> frame;
    std::memset(frame.data(), 0, kCmpHeadSize + kAnswerBodyLength);
    const int fileSerial = request.fileSerial;
    const std::int32_t serialNum = request.serialNum;
    if (serialNum < -1) {
        // Not a request this exchange knows; answering it would only confuse the monitor.
        TraceLog("UpdateUpgradeReq unknown request: file %d piece %d\n", fileSerial,
                 static_cast<int>(serialNum));
        return;
    }

    std::uint8_t* const body = frame.data() + kCmpHeadSize;
    std::int16_t piece = 0;
    std::uint16_t count = 0;
    if (serialNum == -1) {
        piece = -1;
        count = static_cast<std::uint16_t>(m_files.GetFileCount());
    } else {
        int length = 0;
        const std::uint8_t* data = nullptr;
        const bool found = m_files.GetPiece(fileSerial, serialNum, length, data);
        if (!found || data == nullptr || length < 0) {
            length = 0;
        }
        if (length > static_cast<int>(kAnswerDataSize)) {
            length = static_cast<int>(kAnswerDataSize);
        }
        if (length > 0) {
            std::memcpy(body + 4, data, static_cast<std::size_t>(length));
        }
        if (serialNum == 0) {
            piece = 0;
            count = static_cast<std::uint16_t>(m_files.GetPieceCount(fileSerial));
        } else {
            piece = static_cast<std::int16_t>(serialNum & 0xFFFF);
            count = static_cast<std::uint16_t>(length);
        }
    }
    WriteLe16(body, static_cast<std::uint16_t>(piece));
    WriteLe16(body + 2, count);

    const std::uint32_t serial = monitor->TakeSerialPostIncrement();
    SendCmpControlCommand(frame.data(), kAnswerBodyLength, kCmdUpgradeData, *monitor,
                          static_cast<std::uint16_t>(serial));

    if (m_files.IsLastPiece(fileSerial, serialNum)) {
        // A failure the monitor reported while this answer went out stays.
        if (MarkFinished(monitor)) {
            NotifyUpgradeEnd(monitor, kUpgradeFinished);
        }
    }
}
