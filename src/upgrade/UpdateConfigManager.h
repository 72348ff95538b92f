#pragma once
// The upgrade manager: one upgrade status record per pooled monitor object, and the firmware
// file set served to the monitors.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "foundation/Guid.h"
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
//
// Each pull keeps the set it started on: a monitor's first request (the file count, as a rule)
// binds the set served at that moment to its record, and every later answer of that pull comes
// from it, however often the served set is replaced or withdrawn meanwhile; the pull lets go of
// it when it finishes or fails, when the monitor starts over, or when the monitor leaves. So a
// monitor never flashes a mixture of two sets.
//
// While a set is served, every monitor that comes into the list (first visit or back after a
// drop) is put into the waiting state and invited (AdmitArrivals); one that finished the served
// set earlier in this run is marked finished instead (it came back running it).
class UpdateConfigManager : public IUpgradeStatusSource {
  public:
    // A monitor AdmitArrivals took in, and the state it got (waiting, or finished).
    struct Admission {
        MonitorObject* monitor;
        int state;
    };
    // The monitors an upgrade start puts into the waiting state and the poll thread invites.
    using MonitorList = std::function<std::vector<MonitorObject*>()>;
    // Told each time a monitor's record moves into finished or failed, on the thread that moved
    // it (a session thread, after the last piece or on the monitor's result), outside
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
    // Stores the record, inserting it when the monitor has none. A state outside a pull (not
    // count asked, header asked or transferring) ends the pull the record had.
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

    // The set new pulls start on (empty while nothing is served). UI thread only, and only
    // while no session answers from it; tests load a folder into it directly.
    UpgradeFileSet& Files() { return *m_served; }
    // A whole set is served: new pulls can start.
    bool IsServing() const;

    // Mode 0: loads the folder and serves it: every listed monitor that is not in the middle
    // of a pull is put into the waiting state and invited, while the pulls under way finish on
    // the set they started with; a poll thread that still runs is reused. Any other mode does
    // nothing. A folder whose set cannot be served as a whole (a damaged firmware file, or none
    // at all) starts nothing and leaves what was served before as it was; false then.
    bool StartUpgrade(int mode, const std::string& folder);
    // The same with a folder already loaded and checked (UpgradeFolderLoader).
    bool StartUpgrade(int mode, UpgradeFileSet files);
    // Serves nothing new from now on: the poll thread ends, no monitor is invited or starts a
    // pull, and only the records of the pulls under way are kept, so those finish (or fail) on
    // the set they started with.
    void StopUpgrade();
    // Forgets every record but those of pulls under way and puts every other listed monitor
    // into the waiting state.
    void ResetUpgradeStates();
    // Takes in the listed monitors that have no record yet (or only the {0, 6} a look-up left)
    // while a set is served: each is put into the waiting state and invited at once, or, when it
    // finished the served set earlier in this run, into the finished state. A monitor whose
    // session has not registered yet (no connect time) is taken in at a later call. Called on
    // the UI thread after each refresh of the monitor table; nothing while no set is served.
    std::vector<Admission> AdmitArrivals();
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
    // served. Runs on the monitor's session thread as the request arrives (the dispatch calls
    // it), so the answer never waits for the UI thread; safe against StartUpgrade and
    // StopUpgrade on another thread, since the pull's set is held by its own reference.
    void UpdateUpgradeReq(MonitorObject* monitor);

  private:
    using SharedFiles = std::shared_ptr<const UpgradeFileSet>;
    // One monitor's record and the set its pull started on (none outside a pull).
    struct Record {
        UpgradeStatus status;
        SharedFiles pull;
    };

    void NotifyUpgradeEnd(MonitorObject* monitor, int state);
    // The set a request is answered from (with m_hMutex held): the file count starts a pull on
    // the served set, any other request goes on with the record's pull (or starts one when it
    // has none). Null when there is no set to answer from.
    SharedFiles PullSetFor(const Record& record, std::int32_t serialNum) const;
    // The record's state after the request (with m_hMutex held); true when it asked for the
    // file count.
    static bool MoveState(UpgradeStatus& status, const UpgradeRequest& request,
                          const UpgradeFileSet& files);
    // Binds the set the request is answered from to the monitor's pull and moves its state, in
    // one hold of the table's lock; null (nothing changed) when the request is not answered.
    SharedFiles BeginAnswer(MonitorObject* monitor, const UpgradeRequest& request,
                            bool& countAsked);
    // Finished after the last piece went out, unless a failure was reported meanwhile; true
    // when the state became finished just now.
    bool MarkFinished(MonitorObject* monitor, const GUID& guid);
    // The record's pull ends in `state`; a finish on the served set is remembered for the GUID.
    void EndPull(Record& record, int state, const GUID& guid);
    // Drops every record but those of pulls under way (with m_hMutex held).
    void KeepOnlyPulls();

    mutable std::mutex m_hMutex;  // guards m_statusTable, m_served and m_upToDate
    std::map<MonitorObject*, Record> m_statusTable;
    std::shared_ptr<UpgradeFileSet> m_served = std::make_shared<UpgradeFileSet>();
    // The monitors that finished the served set in this run, by GUID (a monitor comes back in
    // another slot after it reboots).
    std::set<GUID, GuidLess> m_upToDate;
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
