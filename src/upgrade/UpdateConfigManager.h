#pragma once
// The upgrade manager: one upgrade status record per pooled monitor object, and the firmware
// file set served to the monitors.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/UpgradeFileSet.h"
#include "registry/IUpgradeStatusSource.h"
#include "registry/UpgradeRequest.h"
#include "registry/UpgradeStatus.h"
#include "upgrade/UpgradePoller.h"

class MonitorObject;

// Internal code of a command result about command 0x0113.
inline constexpr int kUpgradeAckCode = 13;

// Every monitor of the process-wide monitor list, checked or not.
std::vector<MonitorObject*> ListedMonitors();

// A failure the monitor reports wins over "finished" for that upgrade: once failed, the
// record stays failed, whatever is answered or reported after, until the monitor starts over
// by asking for the file count, or the upgrade is started again.
class UpdateConfigManager : public IUpgradeStatusSource {
  public:
    // The monitors an upgrade start puts into the waiting state and the poll thread invites.
    using MonitorList = std::function<std::vector<MonitorObject*>()>;
    // Told each time a monitor's record moves into finished or failed, on the thread that moved
    // it (the UI thread after the last piece, a session thread on the monitor's result), outside
    // the table's lock, while the monitor object still belongs to that monitor.
    using UpgradeEndListener = std::function<void(MonitorObject*, int state)>;
    static constexpr std::chrono::milliseconds kInvitationPeriod{3000};

    UpdateConfigManager();
    explicit UpdateConfigManager(MonitorList monitors,
                                 std::chrono::milliseconds invitationPeriod = kInvitationPeriod);
    ~UpdateConfigManager() override;
    UpdateConfigManager(const UpdateConfigManager&) = delete;
    UpdateConfigManager& operator=(const UpdateConfigManager&) = delete;

    // A copy of the monitor's record; a monitor without one gets {0, 6} inserted and returned.
    UpgradeStatus GetUpgradeStatus(MonitorObject* monitor) override;
    // Stores the record, inserting it when the monitor has none.
    void SetUpgradeStatus(MonitorObject* monitor, const UpgradeStatus& status);
    // True when the monitor has a record (looks without inserting one).
    bool HasUpgradeStatus(MonitorObject* monitor) const;
    void ClearUpgradeStatus();
    // Drops the monitor's record; the pool calls it when the slot changes occupant, so a new
    // monitor in the slot never inherits the previous one's upgrade state.
    void ForgetMonitor(MonitorObject* monitor);
    void SetUpgradeEndListener(UpgradeEndListener listener);

    // The state change for the monitor's latest stored upgrade request.
    void UpdateUpgradeState(MonitorObject* monitor);
    // The state change for the monitor's last command result (only for results about 0x0113,
    // and only for a monitor with a record: one not being upgraded gets none). Called for every
    // command result, on the monitor's session thread, whatever page is shown.
    void OnUpgradeAck(MonitorObject* monitor);

    UpgradeFileSet& Files() { return m_files; }

    // Mode 0: loads the folder, puts every listed monitor into the waiting state and invites
    // them; a poll thread that still runs is reused. Any other mode does nothing. A folder whose
    // set cannot be served as a whole (a damaged firmware file, or none at all) starts nothing
    // and leaves what was served before as it was; false then.
    bool StartUpgrade(int mode, const std::string& folder);
    // The same with a folder already loaded and checked (UpgradeFolderLoader).
    bool StartUpgrade(int mode, UpgradeFileSet files);
    // Serves nothing from now on: the poll thread ends, the files are dropped and the status
    // table is cleared; requests that still come are not answered.
    void StopUpgrade();
    // Clears the status table and puts every listed monitor into the waiting state.
    void ResetUpgradeStates();
    // The poll thread: invites the waiting monitors, one pass per period, until a pass finds
    // none waiting.
    void UpgradePollThreadProc();
    bool IsUpgradePolling() const { return m_poller.IsRunning(); }
    // A listed monitor is being invited or is pulling its firmware (not finished, not failed):
    // ending the tool now would cut its upgrade off.
    bool IsUpgradeRunning() const;
    // Ends and joins the poll thread (the process-wide manager outlives its front ends); a
    // later StartUpgrade starts a new one.
    void StopUpgradePolling() { m_poller.Halt(); }
    // The invitation (command 0x0113, body 1) with the monitor's serial, then serial + 1.
    void SendUpdateReq(MonitorObject* monitor);
    // Answers the monitor's latest stored upgrade request with one command 0x0114 frame; a
    // request already answered is not answered again, and none is answered while no set is
    // served. Runs on the UI thread, like
    // StartUpgrade, so the file set is never reloaded under it.
    void UpdateUpgradeReq(MonitorObject* monitor);

  private:
    void NotifyUpgradeEnd(MonitorObject* monitor, int state);
    void ApplyRequest(MonitorObject* monitor, const UpgradeRequest& request);
    // Finished after the last piece went out, unless a failure was reported meanwhile; true
    // when the state became finished just now.
    bool MarkFinished(MonitorObject* monitor);

    mutable std::mutex m_hMutex;  // guards m_statusTable
    std::map<MonitorObject*, UpgradeStatus> m_statusTable;
    UpgradeFileSet m_files;
    MonitorList m_monitors = ListedMonitors;
    std::mutex m_listenerMutex;  // guards m_endListener
    UpgradeEndListener m_endListener;
    // Last: its thread uses everything above and is joined first on destruction.
    UpgradePoller m_poller{kInvitationPeriod};
};

// The process-wide manager, created on first use and never destroyed. Creating it wires
// ForgetMonitor into the process-wide pool and sets it as the process-wide monitor table's
// upgrade source.
UpdateConfigManager& GetUpdateConfigManager();
