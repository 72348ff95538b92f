#include "upgrade/UpdateConfigManager.h"

#include <new>
#include <utility>

#include "record/RecordedActions.h"
#include "record/ServiceRecord.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorObject.h"

UpdateConfigManager::UpdateConfigManager() = default;

UpdateConfigManager::~UpdateConfigManager() = default;

namespace {

bool InPull(int state) {
    return state == kUpgradeCountAsked || state == kUpgradeHeaderAsked ||
           state == kUpgradeTransferring;
}

}  // namespace

UpgradeStatus UpdateConfigManager::GetUpgradeStatus(MonitorObject* monitor) {
    if (monitor == nullptr) {
        return UpgradeStatus{};
    }
    std::lock_guard<std::mutex> guard(m_hMutex);
    return m_statusTable.try_emplace(monitor).first->second.status;
}

void UpdateConfigManager::SetUpgradeStatus(MonitorObject* monitor, const UpgradeStatus& status) {
    if (monitor == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> guard(m_hMutex);
    Record& record = m_statusTable[monitor];
    record.status = status;
    if (!InPull(status.state)) {
        record.pull.reset();
    }
}

bool UpdateConfigManager::HasUpgradeStatus(MonitorObject* monitor) const {
    std::lock_guard<std::mutex> guard(m_hMutex);
    return m_statusTable.find(monitor) != m_statusTable.end();
}

bool UpdateConfigManager::IsServing() const {
    std::lock_guard<std::mutex> guard(m_hMutex);
    return m_served->CanServe();
}

bool UpdateConfigManager::IsUpgradeRunning() const {
    const std::vector<MonitorObject*> listed = m_monitors();
    std::lock_guard<std::mutex> guard(m_hMutex);
    for (MonitorObject* monitor : listed) {
        const auto it = m_statusTable.find(monitor);
        if (it == m_statusTable.end()) {
            continue;
        }
        if (InPull(it->second.status.state) || it->second.status.state == kUpgradeWaiting) {
            return true;
        }
    }
    return false;
}

void UpdateConfigManager::ClearUpgradeStatus() {
    std::lock_guard<std::mutex> guard(m_hMutex);
    m_statusTable.clear();
}

void UpdateConfigManager::KeepOnlyPulls() {
    for (auto it = m_statusTable.begin(); it != m_statusTable.end();) {
        if (InPull(it->second.status.state) && it->second.pull) {
            ++it;
        } else {
            it = m_statusTable.erase(it);
        }
    }
}

void UpdateConfigManager::ForgetMonitor(MonitorObject* monitor) {
    std::lock_guard<std::mutex> guard(m_hMutex);
    m_statusTable.erase(monitor);
}

void UpdateConfigManager::SetUpgradeEndListener(UpgradeEndListener listener) {
    std::lock_guard<std::mutex> guard(m_listenerMutex);
    m_endListener = std::move(listener);
}

void UpdateConfigManager::NotifyUpgradeEnd(MonitorObject* monitor, int state) {
    RecordUpgradeEnd(monitor, state == kUpgradeFinished, GetServiceRecord());
    UpgradeEndListener listener;
    {
        std::lock_guard<std::mutex> guard(m_listenerMutex);
        listener = m_endListener;
    }
    if (listener) {
        listener(monitor, state);
    }
}

UpdateConfigManager::SharedFiles UpdateConfigManager::PullSetFor(const Record& record,
                                                                 std::int32_t serialNum) const {
    // Asking for the file count starts the pull over, on the set served now (none while
    // nothing is served: that pull is not answered); any other request goes on with its pull.
    if (serialNum == -1 || !record.pull) {
        return m_served->CanServe() ? SharedFiles(m_served) : nullptr;
    }
    return record.pull;
}

void UpdateConfigManager::UpdateUpgradeState(MonitorObject* monitor) {
    if (monitor == nullptr) {
        return;
    }
    const UpgradeRequest request = monitor->GetUpgradeRequest();
    static const UpgradeFileSet kNoFiles;
    bool countAsked = false;
    {
        std::lock_guard<std::mutex> guard(m_hMutex);
        auto found = m_statusTable.find(monitor);
        if (found == m_statusTable.end()) {
            return;
        }
        const SharedFiles files = PullSetFor(found->second, request.serialNum);
        countAsked = MoveState(found->second.status, request, files ? *files : kNoFiles);
    }
    if (countAsked) {
        monitor->SetLastResultResult(0);
    }
}

bool UpdateConfigManager::MoveState(UpgradeStatus& status, const UpgradeRequest& request,
                                    const UpgradeFileSet& files) {
    const int serialNum = request.serialNum;
    if (status.state == kUpgradeFailed && serialNum != -1) {
        return false;  // still the upgrade that failed
    }
    if (serialNum == -1) {
        status.state = kUpgradeCountAsked;
        return true;
    }
    if (serialNum == 0) {
        status.state = kUpgradeHeaderAsked;
    } else if (serialNum > 0) {
        status.state = kUpgradeTransferring;
        status.progress = files.GetProgress(request.fileSerial, serialNum);
    }
    return false;
}

UpdateConfigManager::SharedFiles UpdateConfigManager::BeginAnswer(MonitorObject* monitor,
                                                                  const UpgradeRequest& request,
                                                                  bool& countAsked) {
    countAsked = false;
    std::lock_guard<std::mutex> guard(m_hMutex);
    auto found = m_statusTable.find(monitor);
    if (found == m_statusTable.end()) {
        return nullptr;
    }
    Record& record = found->second;
    // With nothing served, a new pull's count is not answered and the old pull ends.
    SharedFiles files = PullSetFor(record, request.serialNum);
    record.pull = files;
    if (!files) {
        return nullptr;
    }
    countAsked = MoveState(record.status, request, *files);
    return files;
}

void UpdateConfigManager::EndPull(Record& record, int state, const GUID& guid) {
    record.status.state = state;
    if (state == kUpgradeFinished && record.pull && record.pull == m_served) {
        m_upToDate.insert(guid);
    } else if (state == kUpgradeFailed) {
        m_upToDate.erase(guid);
    }
    record.pull.reset();
}

void UpdateConfigManager::OnUpgradeAck(MonitorObject* monitor) {
    if (monitor == nullptr) {
        return;
    }
    const CommandResult last = monitor->GetLastResult();
    const GUID guid = monitor->GetGuid();
    int ended = -1;
    {
        std::lock_guard<std::mutex> guard(m_hMutex);
        auto found = m_statusTable.find(monitor);
        if (found == m_statusTable.end()) {
            return;  // not being upgraded
        }
        Record& record = found->second;
        if (record.status.state == kUpgradeWaiting) {
            return;  // a result about the invitation changes nothing
        }
        if (last.code != kUpgradeAckCode) {
            return;
        }
        const int before = record.status.state;
        if (last.result == -1) {
            EndPull(record, kUpgradeFailed, guid);
        } else if (last.result == 0 && record.status.state != kUpgradeFailed) {
            EndPull(record, kUpgradeFinished, guid);
        }
        if (record.status.state != before) {
            ended = record.status.state;
        }
    }
    if (ended != -1) {
        NotifyUpgradeEnd(monitor, ended);
    }
}

bool UpdateConfigManager::MarkFinished(MonitorObject* monitor, const GUID& guid) {
    std::lock_guard<std::mutex> guard(m_hMutex);
    auto record = m_statusTable.find(monitor);
    if (record == m_statusTable.end() || record->second.status.state == kUpgradeFailed ||
        record->second.status.state == kUpgradeFinished) {
        return false;
    }
    EndPull(record->second, kUpgradeFinished, guid);
    return true;
}

UpdateConfigManager& GetUpdateConfigManager() {
    // Never destroyed, like the pool and the table it is wired into.
    alignas(UpdateConfigManager) static unsigned char storage[sizeof(UpdateConfigManager)];
    static UpdateConfigManager* const manager = [] {
        UpdateConfigManager* made = new (storage) UpdateConfigManager();
        GetMonitorObjectMng().SetSlotResetHook(
            [made](MonitorObject* slot) { made->ForgetMonitor(slot); });
        GetMonitorTable().SetUpgradeStatusSource(made);
        return made;
    }();
    return *manager;
}
