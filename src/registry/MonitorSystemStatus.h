#pragma once
// The store of what a monitor has told the system about itself. Records go in and out only as
// whole copies taken under one lock, so a reader never sees half of an update.
#include <cstdint>
#include <mutex>

#include "registry/MonitorAttribute.h"
#include "registry/MonitorPatientInfo.h"

class MonitorSystemStatus {
  public:
    // Guards the records with a lock of its own.
    MonitorSystemStatus();
    // Guards the records with the owner's lock (the monitor object's); it must outlive this.
    explicit MonitorSystemStatus(std::mutex& ownerLock);
    MonitorSystemStatus(const MonitorSystemStatus&) = delete;
    MonitorSystemStatus& operator=(const MonitorSystemStatus&) = delete;

    // A null pointer is recorded in Assert.log and nothing is copied.
    void GetMonitorAttribute(MonitorAttribute* p) const;
    void GetMonitorPatientInfo(MonitorPatientInfo* p) const;
    void SetMonitorAttribute(const MonitorAttribute* p);
    void SetMonitorPatientInfo(const MonitorPatientInfo* p);

    void SetConnectTime(std::int64_t t);
    std::int64_t GetConnectTime() const;

    // Back to the state after construction: both records zero, then loadedModules all 0xFF,
    // patient.code4 0xFF, patient.value3 and value4 -1000, connectTime 0.
    void Reset();

  private:
    void ResetLocked();

    std::mutex ownLock_;
    std::mutex& lock_;
    MonitorAttribute attribute_;
    MonitorPatientInfo patient_;
    std::int64_t connectTime_ = 0;
};
