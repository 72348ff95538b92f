// The upgrade manager's serving side: the start, the invitation thread and the answers to the
// monitors' piece requests.
#include <array>
#include <cstring>
#include <memory>
#include <utility>

#include "foundation/Log.h"
#include "network/CmpPacketHead.h"
#include "network/SendCmpData.h"
#include "record/RecordedActions.h"
#include "record/ServiceRecord.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorObject.h"
#include "registry/MonitorSystemStatus.h"
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
    auto served = std::make_shared<UpgradeFileSet>(std::move(files));
    {
        std::lock_guard<std::mutex> guard(m_hMutex);
        m_served = std::move(served);
        m_upToDate.clear();  // nobody has finished this set yet
    }
    ResetUpgradeStates();
    m_poller.Start([this] { UpgradePollThreadProc(); });
    return true;
}

void UpdateConfigManager::StopUpgrade() {
    m_poller.Halt();
    std::shared_ptr<UpgradeFileSet> dropped;
    {
        std::lock_guard<std::mutex> guard(m_hMutex);
        dropped = std::exchange(m_served, std::make_shared<UpgradeFileSet>());
        m_upToDate.clear();
        KeepOnlyPulls();
    }
    // The set itself goes when the last pull on it ends, outside the lock.
}

void UpdateConfigManager::ResetUpgradeStates() {
    const std::vector<MonitorObject*> listed =
        m_monitors ? m_monitors() : std::vector<MonitorObject*>();
    std::lock_guard<std::mutex> guard(m_hMutex);
    // A monitor in the middle of a pull finishes on the set it started with; restarting it
    // would only throw its progress away.
    KeepOnlyPulls();
    for (MonitorObject* monitor : listed) {
        if (monitor != nullptr) {
            m_statusTable.try_emplace(monitor, Record{UpgradeStatus{0, kUpgradeWaiting}, nullptr});
        }
    }
}

std::vector<UpdateConfigManager::Admission> UpdateConfigManager::AdmitArrivals() {
    std::vector<Admission> admitted;
    if (!m_monitors) {
        return admitted;
    }
    struct Candidate {
        MonitorObject* monitor;
        GUID guid;
    };
    std::vector<Candidate> candidates;
    for (MonitorObject* monitor : m_monitors()) {
        // The monitor's own records are read before the table's lock is taken.
        const MonitorSystemStatus* status = monitor != nullptr ? monitor->GetStatus() : nullptr;
        if (status != nullptr && status->GetConnectTime() != 0) {
            candidates.push_back(Candidate{monitor, monitor->GetGuid()});
        }
    }
    bool invite = false;
    {
        std::lock_guard<std::mutex> guard(m_hMutex);
        if (!m_served->CanServe()) {
            return admitted;
        }
        for (const Candidate& c : candidates) {
            Record& record = m_statusTable.try_emplace(c.monitor).first->second;
            if (record.status.state != kUpgradeNoRecord) {
                continue;
            }
            const bool upToDate = m_upToDate.count(c.guid) != 0;
            record.status =
                upToDate ? UpgradeStatus{100, kUpgradeFinished} : UpgradeStatus{0, kUpgradeWaiting};
            record.pull.reset();
            admitted.push_back(Admission{c.monitor, record.status.state});
            invite = invite || !upToDate;
        }
    }
    if (invite) {
        // A pass now, on the running thread or a new one: the newcomer need not wait a period.
        m_poller.Start([this] { UpgradePollThreadProc(); });
    }
    return admitted;
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
    const int fileSerial = request.fileSerial;
    const std::int32_t serialNum = request.serialNum;
    if (serialNum < -1) {
        // Not a request this exchange knows; answering it would only confuse the monitor.
        TraceLog("UpdateUpgradeReq unknown request: file %d piece %d\n", fileSerial,
                 static_cast<int>(serialNum));
        return;
    }
    // The set of this monitor's pull; none for a monitor without a record, or for a pull that
    // would start while nothing is served (a count of 0 would read as an upgrade with no files).
    // The set is bound and the state moved in one step, so a stop or start on another thread
    // sees either both or neither.
    bool countAsked = false;
    const SharedFiles files = BeginAnswer(monitor, request, countAsked);
    if (!files) {
        return;
    }
    if (countAsked) {
        monitor->SetLastResultResult(0);
        RecordUpgradeStart(monitor, *files, GetServiceRecord());
    }
    // Only the head and body go out, so only they are cleared (not the whole buffer).
    std::array<std::uint8_t, kAnswerBufferSize> frame;
    std::memset(frame.data(), 0, kCmpHeadSize + kAnswerBodyLength);

    std::uint8_t* const body = frame.data() + kCmpHeadSize;
    std::int16_t piece = 0;
    std::uint16_t count = 0;
    if (serialNum == -1) {
        piece = -1;
        count = static_cast<std::uint16_t>(files->GetFileCount());
    } else {
        int length = 0;
        const std::uint8_t* data = nullptr;
        const bool found = files->GetPiece(fileSerial, serialNum, length, data);
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
            count = static_cast<std::uint16_t>(files->GetPieceCount(fileSerial));
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

    if (files->IsLastPiece(fileSerial, serialNum)) {
        // A failure the monitor reported while this answer went out stays.
        if (MarkFinished(monitor, monitor->GetGuid())) {
            NotifyUpgradeEnd(monitor, kUpgradeFinished);
        }
    }
}
