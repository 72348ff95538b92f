#pragma once
// The registry of connected monitors: 16 pooled monitor objects and an index from a monitor's
// key GUID to the slot that serves it. Acquisition, release and the count query leave lines
// in Trace.log naming the calling thread.
#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "foundation/Guid.h"
#include "registry/MonitorObject.h"

inline constexpr int MAX_MONITOR_COUNT = 16;

using MonitorIndex = std::map<GUID, MonitorObject*, GuidLess>;

// What a monitor that completed its handshake may do with the pool.
struct MonitorClaim {
    enum class Outcome {
        Taken,          // obj is the caller's slot
        PoolFull,       // every slot is occupied
        HeldAlive,      // the key's slot is held by a session that still hears its monitor
        BeingReplaced,  // another connection of the same key is already taking its place
        HeldSilent,     // obj holds the key but has been silent too long: the caller ends its
                        // connection, waits for the release (WaitReleased) and claims again
    };
    Outcome outcome = Outcome::PoolFull;
    MonitorObject* obj = nullptr;
    std::uint32_t occupancy = 0;  // HeldSilent: the holder's occupant that is meant
    std::int64_t silentMs = 0;    // HeldSilent: how long it has been silent
};

class CMonitorObjectMng {
  public:
    CMonitorObjectMng();
    CMonitorObjectMng(const CMonitorObjectMng&) = delete;
    CMonitorObjectMng& operator=(const CMonitorObjectMng&) = delete;

    // The lowest free slot, now owned by the caller under `key`, with fresh records; null when
    // the pool is full or the key already holds a slot.
    MonitorObject* GetAvailableObj(const GUID& key);
    // The same, except that a slot held by the key whose connection has received nothing for
    // more than silenceBoundMs (no bound when negative) is answered as HeldSilent, once: later
    // claims of the key answer BeingReplaced until that occupant has released the slot.
    MonitorClaim ClaimObj(const GUID& key, std::int64_t silenceBoundMs);
    // Waits until the holder of a HeldSilent answer has given its slot back; false when it
    // still holds it after timeoutMs, and then its replacement is called off (the next claim
    // may try again).
    bool WaitReleased(const MonitorClaim& claim, int timeoutMs);
    // Gives the slot back. When the index does not hold exactly this slot for the key, the slot
    // is freed by address, unless another key holds it.
    void ReleaseObj(const GUID& key, MonitorObject* obj);
    // The slot the index holds for the key, or null.
    MonitorObject* FindObj(const GUID& key) const;
    // The slot's use count (0 free, 1 occupied), logged; -1 for null or a non-slot address.
    int GetMonitorObjectCount(const MonitorObject* obj) const;
    // The same without the log line, for callers that poll (the monitor table).
    int GetUseCount(const MonitorObject* obj) const;
    // A copy of the index taken under the lock.
    MonitorIndex SnapshotIndex() const;

    // Slot number 0..15 of an object, or -1 when it is no slot of this pool.
    int SlotIndex(const MonitorObject* obj) const;
    // Slot by number; null outside 0..15.
    MonitorObject* Slot(int index);

    // Called, outside the pool's lock, with a slot whenever it changes occupant: after it is
    // released and after it is acquired, before GetAvailableObj returns it. Lets a higher layer
    // drop what it keeps per slot (the upgrade status) without the pool depending on it.
    void SetSlotResetHook(std::function<void(MonitorObject*)> hook);

  private:
    struct PoolSlot {
        MonitorObject object;
        int useCount = 0;
        // Never set by this system: a returning monitor is always refused until released.
        std::uint8_t reusable = 0;
        // A newer connection of the same key is ending this occupant's connection.
        bool replacing = false;
    };

    int SlotIndexOf(const MonitorObject* obj) const;  // no lock needed: the slots never move
    void CallHook(MonitorObject* obj) const;

    std::array<PoolSlot, MAX_MONITOR_COUNT> slots_;
    MonitorIndex index_;
    std::function<void(MonitorObject*)> hook_;
    mutable std::mutex lock_;
    std::condition_variable released_;  // a slot was given back
};

// The process-wide pool, created on first use and never destroyed.
CMonitorObjectMng& GetMonitorObjectMng();
