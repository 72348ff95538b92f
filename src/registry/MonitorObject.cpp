#include "registry/MonitorObject.h"

#include <chrono>
#include <cstddef>
#include <new>

#include "foundation/Log.h"

namespace {

std::int64_t SteadyNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

MonitorObject::MonitorObject() : guid(EmptyGuid()) {
    m_pStatus.reset(new (std::nothrow) MonitorSystemStatus(lock));
    ASSERT_LOG_AT(m_pStatus != NULL, "MonitorObject::MonitorObject", 709);
    monitor.reset(new (std::nothrow) CMonitor());
    ASSERT_LOG_AT(monitor != NULL, "MonitorObject::MonitorObject", 725);
}

MonitorObject::~MonitorObject() = default;

void MonitorObject::Reset() {
    std::lock_guard<std::mutex> guard(lock);
    guid = EmptyGuid();
    patientGuid = GUID{};
    peer = SocketAddr{};
    connectionLost = false;
}

void MonitorObject::ResetRecords() {
    if (m_pStatus) {
        m_pStatus->Reset();  // takes `lock` itself
    }
    std::lock_guard<std::mutex> guard(lock);
    lastResult = CommandResult{};
    upgradeRequest = UpgradeRequest{};
    upgradeRequestWaiting = false;
    lastReceiveMs_.store(SteadyNowMs(), std::memory_order_relaxed);
    occupancy_.fetch_add(1, std::memory_order_release);
}

void MonitorObject::NoteReceived() {
    lastReceiveMs_.store(SteadyNowMs(), std::memory_order_relaxed);
}

std::int64_t MonitorObject::SilentForMs() const {
    return SteadyNowMs() - lastReceiveMs_.load(std::memory_order_relaxed);
}

SocketAddr MonitorObject::GetPeer() const {
    std::lock_guard<std::mutex> guard(lock);
    return peer;
}

void MonitorObject::SetPeer(const SocketAddr& addr) {
    std::lock_guard<std::mutex> guard(lock);
    peer = addr;
    connectionLost = false;
}

void MonitorObject::MarkConnectionLost() {
    std::lock_guard<std::mutex> guard(lock);
    connectionLost = true;
}

bool MonitorObject::ConnectionLost() const {
    std::lock_guard<std::mutex> guard(lock);
    return connectionLost;
}

SocketHandle MonitorObject::TakePeerSocket(std::uint32_t occupancy) {
    std::lock_guard<std::mutex> guard(lock);
    // The occupancy changes under this lock too: a slot handed to the next monitor in between
    // keeps its new socket.
    if (occupancy_.load(std::memory_order_relaxed) != occupancy || peer.sock == kInvalidSocket) {
        return kInvalidSocket;
    }
    const SocketHandle taken = peer.sock;
    peer.sock = kInvalidSocket;
    connectionLost = true;
    return taken;
}

int MonitorObject::GetSendTimeoutMs() const {
    std::lock_guard<std::mutex> guard(lock);
    return sendTimeoutMs;
}

void MonitorObject::SetSendTimeoutMs(int milliseconds) {
    std::lock_guard<std::mutex> guard(lock);
    sendTimeoutMs = milliseconds;
}

SocketAddr MonitorObject::GetListener() const {
    std::lock_guard<std::mutex> guard(lock);
    return listener;
}

void MonitorObject::SetListener(const SocketAddr& addr) {
    std::lock_guard<std::mutex> guard(lock);
    listener = addr;
}

void MonitorObject::CopyGuid(GUID& out) const {
    std::lock_guard<std::mutex> guard(lock);
    out = guid;
}

GUID MonitorObject::GetGuid() const {
    std::lock_guard<std::mutex> guard(lock);
    return guid;
}

void MonitorObject::SetGuid(const GUID& g) {
    std::lock_guard<std::mutex> guard(lock);
    guid = g;
}

GUID MonitorObject::GetPatientGuid() const {
    std::lock_guard<std::mutex> guard(lock);
    return patientGuid;
}

void MonitorObject::SetPatientGuid(const GUID& g) {
    std::lock_guard<std::mutex> guard(lock);
    patientGuid = g;
}

std::uint32_t MonitorObject::GetSerial() const {
    std::lock_guard<std::mutex> guard(lock);
    return serial;
}

void MonitorObject::SetSerial(std::uint32_t value) {
    std::lock_guard<std::mutex> guard(lock);
    serial = value;
}

std::uint32_t MonitorObject::NextSerialPreIncrement() {
    std::lock_guard<std::mutex> guard(lock);
    serial += 1;  // unsigned: wraps at 32 bits
    return serial;
}

std::uint32_t MonitorObject::TakeSerialPostIncrement() {
    std::lock_guard<std::mutex> guard(lock);
    std::uint32_t current = serial;
    serial += 1;
    return current;
}

CommandResult MonitorObject::GetLastResult() const {
    std::lock_guard<std::mutex> guard(lock);
    return lastResult;
}

void MonitorObject::SetLastResult(const CommandResult& r) {
    std::lock_guard<std::mutex> guard(lock);
    lastResult = r;
}

void MonitorObject::SetLastResultResult(int result) {
    std::lock_guard<std::mutex> guard(lock);
    lastResult.result = result;
}

UpgradeRequest MonitorObject::GetUpgradeRequest() const {
    std::lock_guard<std::mutex> guard(lock);
    return upgradeRequest;
}

void MonitorObject::SetUpgradeRequest(const UpgradeRequest& r) {
    std::lock_guard<std::mutex> guard(lock);
    upgradeRequest = r;
    upgradeRequestWaiting = true;
}

bool MonitorObject::TakeUpgradeRequest(UpgradeRequest& out) {
    std::lock_guard<std::mutex> guard(lock);
    if (!upgradeRequestWaiting) {
        return false;
    }
    out = upgradeRequest;
    upgradeRequestWaiting = false;
    return true;
}

IInfo* MonitorObject::GetParamObject(int group) const {
    std::lock_guard<std::mutex> guard(lock);
    switch (group) {
        case 1:
            return paramObjects[0];
        case 2:
            return paramObjects[1];
        case 4:
        case 5:
            return paramObjects[2];
        default:
            return nullptr;
    }
}
