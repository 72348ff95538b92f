#include "registry/MonitorSystemStatus.h"

#include <cstddef>

#include "foundation/Log.h"

MonitorSystemStatus::MonitorSystemStatus() : lock_(ownLock_) {
    ResetLocked();
}

MonitorSystemStatus::MonitorSystemStatus(std::mutex& ownerLock) : lock_(ownerLock) {
    ResetLocked();
}

void MonitorSystemStatus::GetMonitorAttribute(MonitorAttribute* p) const {
    ASSERT_LOG_AT(p != NULL, "MonitorSystemStatus::GetMonitorAttribute", 295);
    if (p == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> guard(lock_);
    *p = attribute_;
}

void MonitorSystemStatus::GetMonitorPatientInfo(MonitorPatientInfo* p) const {
    ASSERT_LOG_AT(p != NULL, "MonitorSystemStatus::GetMonitorPatientInfo", 316);
    if (p == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> guard(lock_);
    *p = patient_;
}

void MonitorSystemStatus::SetMonitorAttribute(const MonitorAttribute* p) {
    ASSERT_LOG_AT(p != NULL, "MonitorSystemStatus::SetMonitorAttribute", 326);
    if (p == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> guard(lock_);
    attribute_ = *p;
}

void MonitorSystemStatus::SetMonitorPatientInfo(const MonitorPatientInfo* p) {
    ASSERT_LOG_AT(p != NULL, "MonitorSystemStatus::SetMonitorPatientInfo", 338);
    if (p == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> guard(lock_);
    patient_ = *p;
}

void MonitorSystemStatus::SetConnectTime(std::int64_t t) {
    std::lock_guard<std::mutex> guard(lock_);
    connectTime_ = t;
}

std::int64_t MonitorSystemStatus::GetConnectTime() const {
    std::lock_guard<std::mutex> guard(lock_);
    return connectTime_;
}

void MonitorSystemStatus::Reset() {
    std::lock_guard<std::mutex> guard(lock_);
    ResetLocked();
}

void MonitorSystemStatus::ResetLocked() {
    attribute_.Clear();
    attribute_.loadedModules.Fill(0xFF);
    patient_.Clear();
    patient_.code4 = 0xFF;
    patient_.value3 = kNoPatientValue;
    patient_.value4 = kNoPatientValue;
    connectTime_ = 0;
}
