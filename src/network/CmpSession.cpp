#include "network/CmpSession.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <utility>

#include "foundation/Log.h"
#include "network/CmpHandShakeProcess.h"
#include "network/CmpProtocol.h"
#include "network/SessionControl.h"
#include "platform/Socket.h"
#include "platform/ThreadId.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/MonitorObject.h"

namespace {

// The object's address as the logs print it: the whole address, in hexadecimal.
unsigned long AddressOf(const void* p) {
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(p));
}

// A receive that must be repeated: only an interrupted call. On a blocking socket with a
// receive time-out, "try again" means the time-out ran out, which ends the session; and after
// an orderly close (0) the error number is stale and says nothing.
bool IsRetryableRecv(long got, int err) {
    return got < 0 && err == EINTR;
}

}  // namespace

bool IsGuidInvalid(const GUID& guid) {
    for (std::uint8_t b : guid.Data4) {
        if (b != 0) {
            return false;
        }
    }
    return true;
}

int NetworkCmpProcotolThreadProc(std::unique_ptr<ConnectionInfo> pParam) {
    return NetworkCmpProcotolThreadProc(std::move(pParam), CmpSessionOptions{});
}

int NetworkCmpProcotolThreadProc(std::unique_ptr<ConnectionInfo> pParam,
                                 const CmpSessionOptions& options) {
    CmpSession session(options);
    return session.Run(std::move(pParam));
}

CmpSession::CmpSession(const CmpSessionOptions& options)
    : pool_(options.pool != nullptr ? *options.pool : GetMonitorObjectMng()),
      recvTimeoutMs_(options.recvTimeoutMs),
      handshakeDeadlineMs_(options.handshakeDeadlineMs),
      sendTimeoutMs_(options.sendTimeoutMs),
      silenceBoundMs_(options.silenceBoundMs),
      replaceWaitMs_(options.replaceWaitMs),
      control_(options.control),
      handshakeEnded_(options.handshakeEnded) {}

void CmpSession::CloseSocket(SocketHandle& sock, bool abortive) {
    if (control_) {
        control_->CloseSocket(sock, abortive);
    } else if (abortive) {
        ResetSocket(sock);
    } else {
        ::CloseSocket(sock);
    }
}

int CmpSession::Run(std::unique_ptr<ConnectionInfo> record) {
    ConnectionInfo* const pParam = record.get();
    ASSERT_LOG_AT(pParam != NULL, "NetworkCmpProcotolThreadProc", 827);

    CmpHandShakeProcess handShake(recvTimeoutMs_, handshakeDeadlineMs_);
    const bool failed = handShake.Process(pParam);
    if (handshakeEnded_) {
        handshakeEnded_();
    }
    if (failed || IsGuidInvalid(handShake.KeyGuid)) {
        if (pParam != nullptr) {
            CloseSocket(pParam->peer.sock, handShake.DroppedForFault());
            TraceLog("%s(%d)guid is invalid,ip=%s,port=%d\n", "NetworkCmpProcotolThreadProc", 839,
                     DottedAddress(pParam->peer.addr).c_str(), HostPort(pParam->peer.addr));
        } else {
            TraceLog("%s(%d)guid is invalid!\n", "NetworkCmpProcotolThreadProc", 843);
        }
        return 0;
    }

    // The handshake may have shortened the receive time-out to meet its deadline.
    SetRecvTimeout(pParam->peer.sock, recvTimeoutMs_);
    MonitorObject* obj = nullptr;
    if (handShake.NetType == 1) {
        obj = OnlineMonitor(handShake.KeyGuid, pParam);
    }
    if (obj == nullptr) {
        ReleaseConnection(pParam, nullptr, nullptr, std::move(record));
        return 0;
    }

    SetNetConnected(obj, 1);
    SetNetType(obj, handShake.NetType);
    SetNetBedNo(obj, handShake.BedNo);
    obj->SetGuid(handShake.KeyGuid);
    obj->SetPatientGuid(handShake.PatientGuid);
    SetProtocolVersion(obj, handShake.ProtocolVersion);

    auto netBuffer = std::make_unique<std::uint8_t[]>(kNetBufferSize);
    std::size_t waiting = handShake.Leftover.size();
    if (waiting > kNetRecvAreaOffset) {
        waiting = kNetRecvAreaOffset;  // the newest bytes are the ones a frame can still use
    }
    if (waiting > 0) {
        std::memcpy(netBuffer.get() + kNetRecvAreaOffset - waiting,
                    handShake.Leftover.data() + (handShake.Leftover.size() - waiting), waiting);
    }

    std::int64_t timestamp = static_cast<std::int64_t>(std::time(nullptr));
    if (MonitorSystemStatus* status = obj->GetStatus()) {
        status->SetConnectTime(timestamp);
    }
    RecvAndUnpack(pParam, obj, netBuffer.get(), waiting, timestamp);

    OfflineMonitor(pParam, obj, std::move(netBuffer), std::move(record));
    return 0;
}

void CmpSession::LogRefusal(const ConnectionInfo& record, const char* reason) {
    NetLog("Refused:ThreadId == %d,ip=%s,port=%d,reason=%s\n", CurrentThreadId(),
           DottedAddress(record.peer.addr).c_str(), HostPort(record.peer.addr), reason);
}

void CmpSession::EndSilentConnection(MonitorObject& holder, std::uint32_t occupancy) {
    // Under the send lock no sender is inside a send to the old socket, and the old session
    // cannot close it: the descriptor shut down here is still the old connection's.
    std::lock_guard<std::mutex> sending(holder.SendLock());
    InterruptReceive(holder.TakePeerSocket(occupancy));
}

MonitorObject* CmpSession::OnlineMonitor(const GUID& keyGuid, ConnectionInfo* pParam) {
    if (pParam == nullptr) {
        return pool_.GetAvailableObj(keyGuid);
    }
    MonitorObject* obj = nullptr;
    // A second claim follows only a released silent holder; one more refuses.
    for (int attempt = 0; attempt < 2 && obj == nullptr; ++attempt) {
        const MonitorClaim claim = pool_.ClaimObj(keyGuid, attempt == 0 ? silenceBoundMs_ : -1);
        switch (claim.outcome) {
            case MonitorClaim::Outcome::Taken:
                obj = claim.obj;
                break;
            case MonitorClaim::Outcome::HeldSilent: {
                const SocketAddr old = claim.obj->GetPeer();
                TraceLog(
                    "Replace:ThreadId == %d,pMonitorObj == 0x%lx,silent=%dms,ip=%s,port=%d,old "
                    "ip=%s,port=%d\n",
                    CurrentThreadId(), AddressOf(claim.obj),
                    static_cast<int>(std::min<std::int64_t>(claim.silentMs, INT32_MAX)),
                    DottedAddress(pParam->peer.addr).c_str(), HostPort(pParam->peer.addr),
                    DottedAddress(old.addr).c_str(), HostPort(old.addr));
                EndSilentConnection(*claim.obj, claim.occupancy);
                if (!pool_.WaitReleased(claim, replaceWaitMs_)) {
                    LogRefusal(*pParam, "the silent connection of the same monitor did not end");
                    return nullptr;
                }
                break;
            }
            case MonitorClaim::Outcome::HeldAlive:
                LogRefusal(*pParam, "the same monitor is already online");
                return nullptr;
            case MonitorClaim::Outcome::BeingReplaced:
                LogRefusal(*pParam, "another connection of the same monitor is taking its place");
                return nullptr;
            case MonitorClaim::Outcome::PoolFull: {
                // The engineer reads Net.log to learn why a monitor never showed up.
                const std::string reason =
                    "all " + std::to_string(MAX_MONITOR_COUNT) + " monitor places are taken";
                LogRefusal(*pParam, reason.c_str());
                return nullptr;
            }
        }
    }
    if (obj == nullptr) {
        return nullptr;
    }
    obj->SetPeer(pParam->peer);
    obj->SetListener(pParam->listener);
    obj->SetSendTimeoutMs(sendTimeoutMs_);
    const std::string ip = DottedAddress(pParam->peer.addr);
    const int port = HostPort(pParam->peer.addr);
    const int threadId = CurrentThreadId();
    TraceLog("Online:ThreadId == %d,pMonitorObj == 0x%lx,ip=%s,port=%d\n", threadId, AddressOf(obj),
             ip.c_str(), port);
    NetLog("Online:ThreadId == %d,ip=%s,port=%d\n", threadId, ip.c_str(), port);
    return obj;
}

void CmpSession::SetNetConnected(MonitorObject* obj, int value) {
    MonitorSystemStatus* pStatus = obj != nullptr ? obj->GetStatus() : nullptr;
    if (pStatus == nullptr) {
        return;
    }
    MonitorAttribute tempAttr;
    pStatus->GetMonitorAttribute(&tempAttr);
    tempAttr.connected = static_cast<std::uint8_t>(value);
    pStatus->SetMonitorAttribute(&tempAttr);
}

void CmpSession::SetNetType(MonitorObject* obj, int type) {
    MonitorSystemStatus* pstatus = obj != nullptr ? obj->GetStatus() : nullptr;
    ASSERT_LOG_AT(pstatus != NULL, "SetNetType", 500);
    if (pstatus == nullptr) {
        return;
    }
    MonitorAttribute tempAttr;
    pstatus->GetMonitorAttribute(&tempAttr);
    tempAttr.netType = static_cast<std::uint8_t>(type);
    tempAttr.lastChange = 9;
    pstatus->SetMonitorAttribute(&tempAttr);
}

void CmpSession::SetNetBedNo(MonitorObject* obj, int bedNo) {
    MonitorSystemStatus* pStatus = obj != nullptr ? obj->GetStatus() : nullptr;
    ASSERT_LOG_AT(pStatus != NULL, "SetNetBedNo", 514);
    if (pStatus == nullptr) {
        return;
    }
    MonitorAttribute tempAttr;
    pStatus->GetMonitorAttribute(&tempAttr);
    tempAttr.bedNo = static_cast<std::uint16_t>(bedNo);
    pStatus->SetMonitorAttribute(&tempAttr);
}

void CmpSession::SetProtocolVersion(MonitorObject* obj, float version) {
    MonitorSystemStatus* pstatus = obj != nullptr ? obj->GetStatus() : nullptr;
    ASSERT_LOG_AT(pstatus != NULL, "SetProtocolVersion", 752);
    if (pstatus == nullptr) {
        return;
    }
    MonitorAttribute tempAttr;
    pstatus->GetMonitorAttribute(&tempAttr);
    tempAttr.protocolVersion = version;
    pstatus->SetMonitorAttribute(&tempAttr);
}

int CmpSession::RecvAndUnpack(ConnectionInfo* pParam, MonitorObject* obj, std::uint8_t* netBuffer,
                              std::size_t waiting, std::int64_t& timestamp) {
    if (pParam == nullptr || obj == nullptr || netBuffer == nullptr) {
        return 0;
    }
    std::uint8_t* const recvArea = netBuffer + kNetRecvAreaOffset;
    const std::size_t recvSize = kNetBufferSize - kNetRecvAreaOffset;
    std::size_t left = waiting < kNetRecvAreaOffset ? waiting : 0;
    PacketInfo packetInfo{};
    MonitorAttribute tempAttr;
    if (MonitorSystemStatus* status = obj->GetStatus()) {
        status->GetMonitorAttribute(&tempAttr);
    }
    GUID guid{};
    obj->CopyGuid(guid);
    const bool found = pool_.FindObj(guid) != nullptr;

    const std::string ip = DottedAddress(pParam->peer.addr);
    const int port = HostPort(pParam->peer.addr);

    // The bytes that came with the GUID frame are unpacked before anything is received: a
    // monitor may send its first reports together with its GUID and then wait, or close.
    bool unpackWaiting = found && left > 0;
    for (;;) {
        long got = 0;
        const bool received = !unpackWaiting;
        unpackWaiting = false;
        if (received && found) {
            got = SocketRecv(pParam->peer.sock, recvArea, recvSize);
        }
        bool lost = false;
        if (received && obj->ConnectionLost()) {
            // A send to it failed, or a newer connection of the monitor took its place: the
            // connection counts as gone, whatever it still sends or however the wake-up reads.
            dropped_ = lost = true;
            got = got > 0 ? 0 : got;
        }
        if (received && got > 0) {
            obj->NoteReceived();
        }
        if (received && got <= 0) {
            const int err = LastSocketError();
            if (found && !lost && IsRetryableRecv(got, err)) {
                TraceLog("LogSocketError:%s %d: error(%d,%d) \n", "RecvAndUnpack", 721,
                         static_cast<int>(got), err);
                continue;
            }
            if (got < 0 && err == RecvTimeoutError()) {
                dropped_ = true;  // silent for the whole receive time-out
            }
            const int threadId = CurrentThreadId();
            NetLog("Offline:ThreadId == %d,ip=%s,port=%d\n", threadId, ip.c_str(), port);
            if (tempAttr.netType == 1) {
                TraceLog("LogSocketError:ThreadId == %d,%s %d: error(%d,%d) \n", threadId,
                         "RecvAndUnpack", 729, static_cast<int>(got), err);
            } else {
                TraceLog("LogSocketError:%s %d: error(%d,%d) \n", "RecvAndUnpack", 734,
                         static_cast<int>(got), err);
            }
            break;
        }

        bool again = true;
        while (again) {
            again = false;
            const std::size_t n = static_cast<std::size_t>(got) + left;
            std::uint8_t* window = recvArea - left;
            std::int32_t count = static_cast<std::int32_t>(n);
            const int result = HandleCmpProcotol(
                window, count, obj, static_cast<std::int32_t>(timestamp & 0xFFFFFFFF),
                static_cast<std::int32_t>(timestamp >> 32), packetInfo);
            if (result == -2) {
                // The monitor said it has finished: an end like any other, in the record too.
                NetLog("Offline:ThreadId == %d,ip=%s,port=%d\n", CurrentThreadId(), ip.c_str(),
                       port);
                return 0;
            }
            if (result == -1) {
                break;  // nothing consumed: keep the tail as it was
            }
            const std::size_t consumed =
                count >= 0 && static_cast<std::size_t>(count) <= n ? count : n;
            left = n - consumed;
            if (left >= kNetRecvAreaOffset) {
                left = 0;  // a tail that never completes into a frame is dropped
            } else if (left > 0) {
                std::memmove(recvArea - left, window + consumed, left);
            }
            if (result == 11) {
                ++timestamp;
                got = 0;
                again = true;
            } else if (result == 0 && left == 0) {
                ++timestamp;
            }
        }
    }
    return 0;
}

void CmpSession::OfflineMonitor(ConnectionInfo* pParam, MonitorObject* obj,
                                std::unique_ptr<std::uint8_t[]> netBuffer,
                                std::unique_ptr<ConnectionInfo> record) {
    pool_.GetMonitorObjectCount(obj);
    ReleaseConnection(pParam, obj, std::move(netBuffer), std::move(record));
}

void CmpSession::ReleaseConnection(ConnectionInfo* pParam, MonitorObject* obj,
                                   std::unique_ptr<std::uint8_t[]> netBuffer,
                                   std::unique_ptr<ConnectionInfo> record) {
    if (pParam != nullptr && obj != nullptr) {
        // Senders on other threads take the send lock and read the object's socket: end any
        // blocked send first, then clear the socket under that lock, so no frame can go to a
        // descriptor number that a later connection reuses. A dropped connection is not shut
        // down (that would send a FIN first); a sender in it waits at most its send time-out.
        if (!dropped_) {
            ShutdownSocket(pParam->peer.sock);
        }
        std::lock_guard<std::mutex> sending(obj->SendLock());
        SocketAddr cleared = obj->GetPeer();
        if (cleared.sock == pParam->peer.sock) {
            cleared.sock = kInvalidSocket;
            obj->SetPeer(cleared);
        }
        CloseSocket(pParam->peer.sock, dropped_);
    } else if (pParam != nullptr) {
        CloseSocket(pParam->peer.sock);
    }
    if (obj != nullptr) {
        GUID guid{};
        obj->CopyGuid(guid);
        pool_.ReleaseObj(guid, obj);
    }
    netBuffer.reset();
    record.reset();
}
