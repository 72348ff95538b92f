#include "upgrade/UpdateConfigManager.h"

#include <new>
#include <utility>

#include "registry/CMonitorObjectMng.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorObject.h"

UpdateConfigManager::UpdateConfigManager() = default;

UpdateConfigManager::~UpdateConfigManager() = default;

UpgradeStatus UpdateConfigManager::GetUpgradeStatus(MonitorObject* monitor) {
    if (monitor == nullptr) {
        return UpgradeStatus{};
    }
    std::lock_guard<std::mutex> guard(m_hMutex);
    return m_statusTable.try_emplace(monitor).first->second;
}

void UpdateConfigManager::SetUpgradeStatus(MonitorObject* monitor, const UpgradeStatus& status) {
    if (monitor == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> guard(m_hMutex);
    m_statusTable[monitor] = status;
}

bool UpdateConfigManager::HasUpgradeStatus(MonitorObject* monitor) const {
    std::lock_guard<std::mutex> guard(m_hMutex);
    return m_statusTable.find(monitor) != m_statusTable.end();
}

bool UpdateConfigManager::IsUpgradeRunning() const {
    const std::vector<MonitorObject*> listed = m_monitors();
    std::lock_guard<std::mutex> guard(m_hMutex);
    for (MonitorObject* monitor : listed) {
        const auto it = m_statusTable.find(monitor);
        if (it == m_statusTable.end()) {
            continue;
        }
        switch (it->second.state) {
            case kUpgradeCountAsked:
            case kUpgradeTransferring:
            case kUpgradeHeaderAsked:
            case kUpgradeWaiting:
                return true;
            default:
                break;
        }
    }
    return false;
}

void UpdateConfigManager::ClearUpgradeStatus() {
    std::lock_guard<std::mutex> guard(m_hMutex);
    m_statusTable.clear();
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
    UpgradeEndListener listener;
    {
        std::lock_guard<std::mutex> guard(m_listenerMutex);
        listener = m_endListener;
    }
    if (listener) {
        listener(monitor, state);
    }
}

void UpdateConfigManager::UpdateUpgradeState(MonitorObject* monitor) {
    if (monitor == nullptr) {
        return;
    }
    ApplyRequest(monitor, monitor->GetUpgradeRequest());
}

void UpdateConfigManager::ApplyRequest(MonitorObject* monitor, const UpgradeRequest& request) {
    // Everything outside the table is read before the table's lock is taken.
    const int fileSerial = request.fileSerial;
    const int serialNum = request.serialNum;
    const int progress = serialNum > 0 ? m_files.GetProgress(fileSerial, serialNum) : 0;
    bool countAsked = false;
    {
        std::lock_guard<std::mutex> guard(m_hMutex);
        auto record = m_statusTable.find(monitor);
        if (record == m_statusTable.end()) {
            return;
        }
        if (record->second.state == kUpgradeFailed && serialNum != -1) {
            return;  // still the upgrade that failed
        }
        if (serialNum == -1) {
            record->second.state = kUpgradeCountAsked;
            countAsked = true;
        } else if (serialNum == 0) {
            record->second.state = kUpgradeHeaderAsked;
        } else if (serialNum > 0) {
            record->second.state = kUpgradeTransferring;
            record->second.progress = progress;
        }
    }
    if (countAsked) {
        monitor->SetLastResultResult(0);
    }
}

void UpdateConfigManager::OnUpgradeAck(MonitorObject* monitor) {
    if (monitor == nullptr) {
        return;
    }
    const CommandResult last = monitor->GetLastResult();
    int ended = -1;
    {
        std::lock_guard<std::mutex> guard(m_hMutex);
        auto found = m_statusTable.find(monitor);
        if (found == m_statusTable.end()) {
            return;  // not being upgraded
        }
        UpgradeStatus& record = found->second;
        if (record.state == kUpgradeWaiting) {
            return;  // a result about the invitation changes nothing
        }
        if (last.code != kUpgradeAckCode) {
            return;
        }
        const int before = record.state;
        if (last.result == -1) {
            record.state = kUpgradeFailed;
        } else if (last.result == 0 && record.state != kUpgradeFailed) {
            record.state = kUpgradeFinished;
        }
        if (record.state != before) {
            ended = record.state;
        }
    }
    if (ended != -1) {
        NotifyUpgradeEnd(monitor, ended);
    }
}

bool UpdateConfigManager::MarkFinished(MonitorObject* monitor) {
    std::lock_guard<std::mutex> guard(m_hMutex);
    auto record = m_statusTable.find(monitor);
    if (record == m_statusTable.end() || record->second.state == kUpgradeFailed ||
        record->second.state == kUpgradeFinished) {
        return false;
    }
    record->second.state = kUpgradeFinished;
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
