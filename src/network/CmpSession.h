#pragma once
// One monitor connection from handshake to release: registration in the pool, receiving,
// unpacking and dispatching until the connection ends.
#include <cstdint>
#include <functional>
#include <memory>

#include "foundation/Guid.h"
#include "platform/SocketAddr.h"
#include "registry/MonitorObject.h"

class CMonitorObjectMng;
class SessionControl;

inline constexpr int kSessionRecvTimeoutMs = 6000;
// Two keep-alive periods: a monitor that reconnects while its old session has heard nothing for
// longer has left that connection half-open (rebooted, roamed, lost Wi-Fi), and the new
// connection takes its place.
inline constexpr int kSessionSilenceBoundMs = 2000;
// How long a reconnecting monitor waits for its silent old session to give its slot back.
inline constexpr int kSessionReplaceWaitMs = 1000;
inline constexpr std::size_t kNetBufferSize = 32768;
inline constexpr std::size_t kNetRecvAreaOffset = 16384;

struct CmpSessionOptions {
    CMonitorObjectMng* pool = nullptr;  // nullptr: the process-wide pool
    int recvTimeoutMs = kSessionRecvTimeoutMs;
    int handshakeDeadlineMs = kSessionRecvTimeoutMs;  // bound on the whole handshake
    int sendTimeoutMs = kMonitorSendTimeoutMs;        // bound on each frame sent to the monitor
    int silenceBoundMs = kSessionSilenceBoundMs;
    int replaceWaitMs = kSessionReplaceWaitMs;
    std::shared_ptr<SessionControl> control;  // optional; lets the owner wake the session
    std::function<void()> handshakeEnded;     // optional; called once the handshake is over
};

// The session thread's procedure. Always returns 0.
int NetworkCmpProcotolThreadProc(std::unique_ptr<ConnectionInfo> pParam);
int NetworkCmpProcotolThreadProc(std::unique_ptr<ConnectionInfo> pParam,
                                 const CmpSessionOptions& options);

// True when the GUID's last eight bytes are all zero.
bool IsGuidInvalid(const GUID& guid);

// The steps of one session; exposed for the session thread and its tests.
class CmpSession {
  public:
    explicit CmpSession(const CmpSessionOptions& options);

    int Run(std::unique_ptr<ConnectionInfo> record);

    MonitorObject* OnlineMonitor(const GUID& keyGuid, ConnectionInfo* pParam);
    static void SetNetConnected(MonitorObject* obj, int value);
    static void SetNetType(MonitorObject* obj, int type);
    static void SetNetBedNo(MonitorObject* obj, int bedNo);
    static void SetProtocolVersion(MonitorObject* obj, float version);
    int RecvAndUnpack(ConnectionInfo* pParam, MonitorObject* obj, std::uint8_t* netBuffer,
                      std::size_t waiting, std::int64_t& timestamp);
    void OfflineMonitor(ConnectionInfo* pParam, MonitorObject* obj,
                        std::unique_ptr<std::uint8_t[]> netBuffer,
                        std::unique_ptr<ConnectionInfo> record);
    void ReleaseConnection(ConnectionInfo* pParam, MonitorObject* obj,
                           std::unique_ptr<std::uint8_t[]> netBuffer,
                           std::unique_ptr<ConnectionInfo> record);

  private:
    // A connection dropped for a time-out or a protocol fault is reset, so that it lingers in
    // no closing state (a peer that stopped reading would keep it, and its port, alive).
    void CloseSocket(SocketHandle& sock, bool abortive = false);
    // Ends the connection of a silent holder of this monitor's key, so that its session's
    // receive returns and it goes offline and releases its slot.
    static void EndSilentConnection(MonitorObject& holder, std::uint32_t occupancy);
    static void LogRefusal(const ConnectionInfo& record, const char* reason);

    CMonitorObjectMng& pool_;
    int recvTimeoutMs_;
    int handshakeDeadlineMs_;
    int sendTimeoutMs_;
    int silenceBoundMs_;
    int replaceWaitMs_;
    std::shared_ptr<SessionControl> control_;
    std::function<void()> handshakeEnded_;
    bool dropped_ = false;  // the session ends for a time-out or a lost connection
};
