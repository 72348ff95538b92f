#pragma once
// The upgrade manager: one upgrade status record per pooled monitor object, and the firmware
// file set served to the monitors.
#include <cstdint>
#include <map>
#include <mutex>

#include "foundation/UpgradeFileSet.h"
#include "upgrade/UpgradeStatus.h"

class MonitorObject;

// Internal code of a command result about command 0x0113.
inline constexpr int kUpgradeAckCode = 13;

class UpdateConfigManager {
  public:
    UpdateConfigManager();
    ~UpdateConfigManager();
    UpdateConfigManager(const UpdateConfigManager&) = delete;
    UpdateConfigManager& operator=(const UpdateConfigManager&) = delete;

    // A copy of the monitor's record; a monitor without one gets {0, 6} inserted and returned.
    UpgradeStatus GetUpgradeStatus(MonitorObject* monitor);
    // Stores the record, inserting it when the monitor has none.
    void SetUpgradeStatus(MonitorObject* monitor, const UpgradeStatus& status);
    // True when the monitor has a record (looks without inserting one).
    bool HasUpgradeStatus(MonitorObject* monitor) const;
    void ClearUpgradeStatus();
    // Drops the monitor's record; the pool calls it when the slot changes occupant, so a new
    // monitor in the slot never inherits the previous one's upgrade state.
    void ForgetMonitor(MonitorObject* monitor);

    // The state change for the monitor's latest stored upgrade request.
    void UpdateUpgradeState(MonitorObject* monitor);
    // The state change for the monitor's last command result (only for results about 0x0113).
    void OnUpgradeAck(MonitorObject* monitor);

    UpgradeFileSet& Files() { return m_files; }

  private:
    mutable std::mutex m_hMutex;  // guards m_statusTable
    std::map<MonitorObject*, UpgradeStatus> m_statusTable;
    UpgradeFileSet m_files;
};

// Handler of command 0x0113 from a monitor: stores the first 5 body bytes as the monitor's
// upgrade request and logs it. Returns 0, or -1 (nothing stored) for a null monitor or a frame
// too short to hold the request.
int HandleCmpUpgradeReq(const std::uint8_t* frame, int length, MonitorObject* monitor);

// The process-wide manager, created on first use and never destroyed. Creating it wires
// ForgetMonitor into the process-wide pool.
UpdateConfigManager& GetUpdateConfigManager();
