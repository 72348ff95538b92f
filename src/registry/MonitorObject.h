#pragma once
// One connected monitor: its identity, socket addresses, outgoing serial, last command result
// and latest upgrade request, and the store of what it reported. Every accessor copies under
// the object's lock, so no reader ever sees half of an update.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "foundation/Guid.h"
#include "platform/SocketAddr.h"
#include "registry/CMonitor.h"
#include "registry/CommandResult.h"
#include "registry/MonitorSystemStatus.h"
#include "registry/UpgradeRequest.h"

// How long one frame to a monitor may take to go out before the monitor counts as gone. Only a
// monitor that has left a whole socket buffer of frames unread ever waits at all (one answer per
// request never fills it), and the UI thread waits on it in place of every other monitor, so the
// bound is short.
inline constexpr int kMonitorSendTimeoutMs = 500;

class MonitorObject {
  public:
    MonitorObject();
    ~MonitorObject();
    MonitorObject(const MonitorObject&) = delete;
    MonitorObject& operator=(const MonitorObject&) = delete;

    // Empties guid, zeroes patientGuid and peer; listener, lastResult, serial and the status
    // records are left alone (the pool's release).
    void Reset();
    // Fresh status records, lastResult and upgradeRequest for a new occupant of the slot.
    void ResetRecords();
    // How many occupants the slot has had; a reader that sees a new value also sees the fresh
    // records. Tells a reconnection apart from the same session even within one second.
    std::uint32_t Occupancy() const { return occupancy_.load(std::memory_order_acquire); }

    // When the connection last delivered bytes (the session's receives; a new occupant counts
    // as just heard). A monitor that reconnects while its old connection has been silent longer
    // than the keep-alive allows takes the old one's place.
    void NoteReceived();
    std::int64_t SilentForMs() const;

    // The status store; null only if it could not be created.
    MonitorSystemStatus* GetStatus() const { return m_pStatus.get(); }
    CMonitor* GetMonitor() const { return monitor.get(); }

    SocketAddr GetPeer() const;
    // A new peer is a new connection: it clears the lost mark.
    void SetPeer(const SocketAddr& addr);
    // Set when a send to the connection failed: the session ends it at its next receive.
    void MarkConnectionLost();
    bool ConnectionLost() const;
    // Takes the socket away from occupant `occupancy` of this slot and marks its connection
    // lost, so no sender reaches it again; kInvalidSocket when that occupant has gone or holds
    // no socket any more. Call with SendLock() held: the session closes its socket only under
    // that lock, so the descriptor returned stays this connection's while the lock is held.
    SocketHandle TakePeerSocket(std::uint32_t occupancy);
    SocketAddr GetListener() const;
    void SetListener(const SocketAddr& addr);

    void CopyGuid(GUID& out) const;
    GUID GetGuid() const;
    void SetGuid(const GUID& g);
    GUID GetPatientGuid() const;
    void SetPatientGuid(const GUID& g);

    std::uint32_t GetSerial() const;
    void SetSerial(std::uint32_t value);
    // Stores serial + 1 and returns the new value (the configuration and debug pages).
    std::uint32_t NextSerialPreIncrement();
    // Returns the current value and stores serial + 1 (the upgrade manager).
    std::uint32_t TakeSerialPostIncrement();

    CommandResult GetLastResult() const;
    void SetLastResult(const CommandResult& r);
    // Changes only the `result` field of lastResult.
    void SetLastResultResult(int result);

    UpgradeRequest GetUpgradeRequest() const;
    // Stores the latest request; it waits to be answered until TakeUpgradeRequest.
    void SetUpgradeRequest(const UpgradeRequest& r);
    // The latest request if it has not been taken yet (then it counts as answered); false when
    // every stored request was taken already.
    bool TakeUpgradeRequest(UpgradeRequest& out);
    // Parameter-group handler of group 1, 2 or 4/5 (groups 4 and 5 share one); null for any
    // other group. No handler is ever attached, so this is always null.
    IInfo* GetParamObject(int group) const;

    // Held for the whole of a frame sent to this monitor so that frames from different threads
    // never interleave. Separate from the record lock: a send may block on a full socket.
    std::mutex& SendLock() { return sendLock; }

    // The bound on one frame's send to this monitor's connection (set by its session).
    int GetSendTimeoutMs() const;
    void SetSendTimeoutMs(int milliseconds);

  private:
    // Declared first: the status store refers to `lock` and must not outlive it.
    mutable std::mutex lock;
    std::mutex sendLock;
    std::unique_ptr<CMonitor> monitor;
    GUID guid;
    GUID patientGuid{};
    SocketAddr peer{};
    SocketAddr listener{};
    IInfo* paramObjects[4] = {nullptr, nullptr, nullptr, nullptr};  // not owned, never set
    std::unique_ptr<MonitorSystemStatus> m_pStatus;
    CommandResult lastResult{};
    UpgradeRequest upgradeRequest{};
    bool upgradeRequestWaiting = false;  // stored and not yet taken
    std::atomic<std::uint32_t> occupancy_{0};
    std::atomic<std::int64_t> lastReceiveMs_{0};  // steady clock
    std::uint32_t serial = 1;
    int sendTimeoutMs = kMonitorSendTimeoutMs;
    bool connectionLost = false;
};
