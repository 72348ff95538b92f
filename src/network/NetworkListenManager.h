#pragma once
// Owns the listening sockets, waits on them in one thread, accepts connections and gives each
// connection on a monitor port its own session thread. Connections on the idle ports are held
// open until the peer closes them.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "network/ConnectionAdmission.h"
#include "platform/SmallStackThread.h"
#include "platform/Socket.h"
#include "platform/SocketAddr.h"
#include "platform/SocketPoller.h"

class CMonitorObjectMng;
class SessionControl;

inline constexpr int kListenSlotCount = 20;
inline constexpr int kGroupASlotCount = 17;

struct NetworkListenSettings {
    // First port of each group; 0 gives every slot of the group an ephemeral port.
    int portA = 5510;         // 17 ports from here, type 3, held idle
    int portB = 5590;         // type 5, held idle
    int portC = 5595;         // type 6, sessions
    int portD = 9500;         // type 2, sessions
    std::string bindAddress;  // dotted IPv4; empty: any address
    int startPauseMs = 5000;
    int startReturnPauseMs = 100;
    int bindRetryPauseMs = 4000;
    int bindAttempts = 11;
    int acceptFailurePauseMs = 10000;
    int backlog = kSystemMaxBacklog;
    int sessionRecvTimeoutMs = 6000;
    // The whole handshake, however the peer spreads its bytes: a silent peer is dropped at the
    // same time as before, one that dribbles bytes no later.
    int handshakeDeadlineMs = 6000;
    AdmissionLimits admission;
    int sessionSendTimeoutMs = 500;  // a monitor whose frame takes longer counts as gone
    // A monitor that reconnects while its old session has heard nothing for longer takes the
    // old one's place.
    int sessionSilenceBoundMs = 2000;
    std::size_t sessionStackBytes = SmallStackThread::kDefaultStackBytes;
    std::size_t maxIdleConnections = 1024;

    // The four groups laid out on 20 consecutive ports from base (0: all ephemeral).
    static NetworkListenSettings Compact(int base);
};

class NetworkListenManager {
  public:
    explicit NetworkListenManager(NetworkListenSettings settings = {});
    NetworkListenManager(NetworkListenSettings settings, CMonitorObjectMng& pool);
    ~NetworkListenManager();
    NetworkListenManager(const NetworkListenManager&) = delete;
    NetworkListenManager& operator=(const NetworkListenManager&) = delete;

    // Starts the listening thread (once), then pauses briefly.
    void StartNetworkManager();
    // Ends the listening thread and every session, closing all sockets. Idempotent.
    void Stop();

    int NetworkManagerThreadProc();
    void CreateSocket(std::uint16_t portNetOrder, SocketAddr* pAddr);
    void CreateSockets();
    void CloseSockets();
    void ListenLoop();
    int AcceptSocket(int type, SocketHandle listenSock);

    // Waits until the listening sockets have been opened (or stop); false on timeout.
    bool WaitListening(int timeoutMs);
    // The bound port (host order) of a slot, 0 when it is not listening.
    int SlotPort(int slot) const;
    int SessionPort() const { return SlotPort(kListenSlotCount - 1); }  // group D
    std::size_t IdleConnectionCount() const;
    std::size_t SessionCount() const;
    // Admitted connections still in the handshake, and connections refused for a cap.
    int HandshakeCount() const { return m_admission.Handshakes(); }
    std::uint64_t RefusedConnectionCount() const { return m_admission.Refused(); }

  private:
    struct SessionEntry {
        SmallStackThread thread;
        std::shared_ptr<SessionControl> control;
    };

    void Wake();
    bool SleepUnlessStopped(int ms);
    void ServeIdleConnection(std::size_t index, unsigned events);
    void ReapSessions();
    void CloseIdleConnections();

    NetworkListenSettings settings_;
    CMonitorObjectMng& pool_;

    ConnectionAdmission m_admission;  // before the sessions, whose tickets refer to it
    SocketAddr m_slots[kListenSlotCount];
    std::atomic<int> m_boundPort[kListenSlotCount];
    std::vector<std::unique_ptr<ConnectionInfo>> m_idle;  // listening thread only, then Stop
    mutable std::mutex m_idleLock;                        // for the count query

    mutable std::mutex m_hMutex;  // guards m_sessions
    std::list<SessionEntry> m_sessions;

    std::thread m_thread;
    bool m_started = false;
    SocketPoller m_poller;  // the listening thread waits on it; Wake from any thread

    std::mutex m_stateLock;
    std::condition_variable m_stateChanged;
    bool m_stopping = false;
    bool m_listening = false;
};

// The process-wide server, created on first use and never destroyed.
NetworkListenManager& GetNetworkListenManager();
