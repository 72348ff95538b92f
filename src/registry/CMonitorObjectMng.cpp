#include "registry/CMonitorObjectMng.h"

#include <chrono>
#include <cstdint>
#include <new>
#include <utility>

#include "foundation/Log.h"
#include "platform/ThreadId.h"

namespace {

constexpr std::uint32_t kInvalidGuidData1 = static_cast<std::uint32_t>(-1000);

// Whole address for the logs' "0x..." fields, also on 64-bit builds.
unsigned long Addr(const void* p) {
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(p));
}

bool IsInvalidKey(const GUID& key) {
    return key.Data1 == kInvalidGuidData1;
}

void LogKey(const char* prefix, const GUID& key) {
    TraceLog("%s:ThreadId == %d,guid = %d,GUID=%02x-%02X-%02X-%02X-%02X-%02X-%02X-%02X \n", prefix,
             CurrentThreadId(), static_cast<int>(key.Data1), key.Data4[0], key.Data4[1],
             key.Data4[2], key.Data4[3], key.Data4[4], key.Data4[5], key.Data4[6], key.Data4[7]);
}

}  // namespace

CMonitorObjectMng::CMonitorObjectMng() = default;

MonitorObject* CMonitorObjectMng::GetAvailableObj(const GUID& key) {
    const MonitorClaim claim = ClaimObj(key, -1);
    return claim.outcome == MonitorClaim::Outcome::Taken ? claim.obj : nullptr;
}

MonitorClaim CMonitorObjectMng::ClaimObj(const GUID& key, std::int64_t silenceBoundMs) {
    MonitorClaim claim;
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto held = index_.find(key);
        LogKey("GetAvailableObjguid", key);
        if (held != index_.end() && silenceBoundMs >= 0) {
            const int holderSlot = SlotIndexOf(held->second);
            if (holderSlot >= 0 && slots_[holderSlot].useCount == 1) {
                PoolSlot& holder = slots_[holderSlot];
                if (holder.replacing) {
                    claim.outcome = MonitorClaim::Outcome::BeingReplaced;
                    return claim;
                }
                // Checked before a free slot is looked for: the monitor that reconnects may be
                // one of sixteen, and its own silent slot is the one it needs.
                const std::int64_t silent = holder.object.SilentForMs();
                if (silent > silenceBoundMs) {
                    holder.replacing = true;
                    claim.outcome = MonitorClaim::Outcome::HeldSilent;
                    claim.obj = &holder.object;
                    claim.occupancy = holder.object.Occupancy();
                    claim.silentMs = silent;
                    return claim;
                }
            }
        }
        int freeSlot = -1;
        for (int i = 0; i < MAX_MONITOR_COUNT; ++i) {
            if (slots_[i].useCount == 0) {
                freeSlot = i;
                break;
            }
        }
        if (freeSlot < 0) {
            claim.outcome = held != index_.end() ? MonitorClaim::Outcome::HeldAlive
                                                 : MonitorClaim::Outcome::PoolFull;
            return claim;
        }
        if (held != index_.end()) {
            int holderSlot = SlotIndexOf(held->second);
            TraceLog("GetAvailableObj newerror:ThreadId == %d ,pMonitorObj == 0x%lx, count:%d\n",
                     CurrentThreadId(), Addr(nullptr),
                     holderSlot >= 0 ? slots_[holderSlot].useCount : 0);
            claim.outcome = MonitorClaim::Outcome::HeldAlive;
            return claim;
        }
        PoolSlot& slot = slots_[freeSlot];
        index_.emplace(key, &slot.object);
        slot.useCount = 1;
        slot.replacing = false;
        // Fresh records before anyone can find the slot under its new key, so no reader ever
        // sees the previous occupant's name, modules or patient under it.
        slot.object.ResetRecords();
        slot.object.SetGuid(key);
        TraceLog("GetAvailableObj new : ThreadId == %d ,pMonitorObj == 0x%lx, cout == %d, i=%d\n",
                 CurrentThreadId(), Addr(&slot.object), slot.useCount, freeSlot);
        if (IsInvalidKey(key)) {
            TraceLog("%s(%d) Get Invalid GUID!\n", "CMonitorObjectMng::GetAvailableObj", 81);
        }
        claim.outcome = MonitorClaim::Outcome::Taken;
        claim.obj = &slot.object;
    }
    CallHook(claim.obj);
    return claim;
}

bool CMonitorObjectMng::WaitReleased(const MonitorClaim& claim, int timeoutMs) {
    const int i = SlotIndexOf(claim.obj);
    if (claim.outcome != MonitorClaim::Outcome::HeldSilent || i < 0) {
        return false;
    }
    std::unique_lock<std::mutex> guard(lock_);
    PoolSlot& slot = slots_[i];
    // The occupancy changes only when the slot is taken again, which needs it released first.
    auto gone = [&] { return slot.useCount == 0 || slot.object.Occupancy() != claim.occupancy; };
    if (released_.wait_for(guard, std::chrono::milliseconds(timeoutMs), gone)) {
        return true;
    }
    slot.replacing = false;
    return false;
}

void CMonitorObjectMng::ReleaseObj(const GUID& key, MonitorObject* obj) {
    bool freed = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto held = index_.find(key);
        LogKey("ReleaseObjguid", key);
        if (IsInvalidKey(key)) {
            TraceLog("%s(%d) Get Invalid GUID!\n", "CMonitorObjectMng::ReleaseObj", 269);
        }
        bool done = false;
        if (held != index_.end()) {
            TraceLog("ReleaseObj guid:ThreadId == %d ,pobj== 0x%lx,m_OneObj== 0x%lx\n",
                     CurrentThreadId(), Addr(obj), Addr(held->second));
            if (held->second == obj) {
                PoolSlot& slot = slots_[SlotIndexOf(obj)];
                slot.replacing = false;
                if (slot.useCount == 1) {
                    slot.useCount = 0;
                    slot.object.Reset();
                    freed = true;
                    TraceLog("ReleaseObj1 : ThreadId == %d ,pMonitorObj == 0x%lx, cout == %d\n",
                             CurrentThreadId(), Addr(obj), slot.useCount);
                } else {
                    TraceLog("ReleaseObjerror ThreadId == %d ,m_count:%d \n", CurrentThreadId(),
                             slot.useCount);
                }
                index_.erase(held);
                done = true;
            }
        }
        if (!done) {
            int i = SlotIndexOf(obj);
            if (i >= 0) {
                PoolSlot& slot = slots_[i];
                TraceLog(
                    "CMonitorObjectMng::ReleaseObj : ThreadId == %d ,pMonitorObj == 0x%lx, cout == "
                    "%d\n",
                    CurrentThreadId(), Addr(obj), slot.useCount);
                // A slot that another key holds belongs to another monitor now (a late second
                // release); freeing it would hand that monitor's slot to a third one.
                bool heldByOtherKey = false;
                for (const auto& entry : index_) {
                    if (entry.second == obj) {
                        heldByOtherKey = true;
                        break;
                    }
                }
                if (!heldByOtherKey) {
                    freed = slot.useCount != 0;
                    slot.useCount = 0;
                    slot.replacing = false;
                    slot.object.Reset();
                }
            }
        }
    }
    released_.notify_all();
    if (freed) {
        CallHook(obj);
    }
}

MonitorObject* CMonitorObjectMng::FindObj(const GUID& key) const {
    std::lock_guard<std::mutex> guard(lock_);
    auto held = index_.find(key);
    return held == index_.end() ? nullptr : held->second;
}

int CMonitorObjectMng::GetMonitorObjectCount(const MonitorObject* obj) const {
    int i = SlotIndexOf(obj);
    if (i < 0) {
        return -1;
    }
    std::lock_guard<std::mutex> guard(lock_);
    int count = slots_[i].useCount;
    TraceLog("GetMonitorObjectCount:ThreadId == %d ,pMonitorObj == 0x%lx, count:%d\n",
             CurrentThreadId(), Addr(obj), count);
    return count;
}

int CMonitorObjectMng::GetUseCount(const MonitorObject* obj) const {
    int i = SlotIndexOf(obj);
    if (i < 0) {
        return -1;
    }
    std::lock_guard<std::mutex> guard(lock_);
    return slots_[i].useCount;
}

MonitorIndex CMonitorObjectMng::SnapshotIndex() const {
    std::lock_guard<std::mutex> guard(lock_);
    return index_;
}

int CMonitorObjectMng::SlotIndex(const MonitorObject* obj) const {
    return SlotIndexOf(obj);
}

MonitorObject* CMonitorObjectMng::Slot(int index) {
    if (index < 0 || index >= MAX_MONITOR_COUNT) {
        return nullptr;
    }
    return &slots_[index].object;
}

void CMonitorObjectMng::SetSlotResetHook(std::function<void(MonitorObject*)> hook) {
    std::lock_guard<std::mutex> guard(lock_);
    hook_ = std::move(hook);
}

int CMonitorObjectMng::SlotIndexOf(const MonitorObject* obj) const {
    if (obj == nullptr) {
        return -1;
    }
    for (int i = 0; i < MAX_MONITOR_COUNT; ++i) {
        if (&slots_[i].object == obj) {
            return i;
        }
    }
    return -1;
}

void CMonitorObjectMng::CallHook(MonitorObject* obj) const {
    std::function<void(MonitorObject*)> hook;
    {
        std::lock_guard<std::mutex> guard(lock_);
        hook = hook_;
    }
    if (hook && obj != nullptr) {
        hook(obj);
    }
}

CMonitorObjectMng& GetMonitorObjectMng() {
    // Never destroyed: session threads may still use the pool while the process exits.
    alignas(CMonitorObjectMng) static unsigned char storage[sizeof(CMonitorObjectMng)];
    static CMonitorObjectMng* const mng = new (storage) CMonitorObjectMng();
    return *mng;
}
