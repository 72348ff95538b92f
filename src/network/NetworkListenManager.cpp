#include "network/NetworkListenManager.h"

#include <cerrno>
#include <chrono>
#include <iterator>
#include <new>
#include <utility>

#include "foundation/Log.h"
#include "network/CmpSession.h"
#include "network/SessionControl.h"
#include "platform/FdLimit.h"
#include "platform/Socket.h"
#include "registry/CMonitorObjectMng.h"

namespace {

constexpr const char* kSourceFile = "NetworkLayer/NetworkManager";
constexpr int kTypeGroupA = 3;
constexpr int kTypeGroupB = 5;
constexpr int kTypeGroupC = 6;
constexpr int kTypeGroupD = 2;

int SlotType(int slot) {
    if (slot < kGroupASlotCount) {
        return kTypeGroupA;
    }
    if (slot == kGroupASlotCount) {
        return kTypeGroupB;
    }
    return slot == kGroupASlotCount + 1 ? kTypeGroupC : kTypeGroupD;
}

bool IsSessionType(int type) {
    return type == kTypeGroupD || type == kTypeGroupC;
}

}  // namespace

NetworkListenSettings NetworkListenSettings::Compact(int base) {
    NetworkListenSettings s;
    if (base <= 0) {
        s.portA = s.portB = s.portC = s.portD = 0;
        return s;
    }
    s.portA = base;
    s.portB = base + kGroupASlotCount;
    s.portC = base + kGroupASlotCount + 1;
    s.portD = base + kGroupASlotCount + 2;
    return s;
}

NetworkListenManager::NetworkListenManager(NetworkListenSettings settings)
    : NetworkListenManager(std::move(settings), GetMonitorObjectMng()) {}

NetworkListenManager::NetworkListenManager(NetworkListenSettings settings, CMonitorObjectMng& pool)
    : settings_(std::move(settings)), pool_(pool), m_admission(settings_.admission) {
    for (int i = 0; i < kListenSlotCount; ++i) {
        m_slots[i].sock = kInvalidSocket;
        m_slots[i].type = SlotType(i);
        m_boundPort[i].store(0);
    }
    if (!m_poller.IsValid()) {
        AssertLog(0, "m_wakeFd != -1", __FILE__, "NetworkListenManager::NetworkListenManager", 102);
    }
}

NetworkListenManager::~NetworkListenManager() {
    Stop();
}

void NetworkListenManager::StartNetworkManager() {
    {
        std::lock_guard<std::mutex> guard(m_stateLock);
        if (m_started || m_stopping) {
            return;
        }
        m_started = true;
    }
    RaiseFdLimitToHard();
    // std::thread reports a failed start by throwing; the server then simply does not run.
    try {
        m_thread = std::thread([this] { NetworkManagerThreadProc(); });
    } catch (...) {
        return;
    }
    if (settings_.startReturnPauseMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(settings_.startReturnPauseMs));
    }
}

void NetworkListenManager::Stop() {
    {
        std::lock_guard<std::mutex> guard(m_stateLock);
        m_stopping = true;
    }
    m_stateChanged.notify_all();
    Wake();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    CloseSockets();
    CloseIdleConnections();
    std::list<SessionEntry> sessions;
    {
        std::lock_guard<std::mutex> guard(m_hMutex);
        sessions.swap(m_sessions);
    }
    for (SessionEntry& s : sessions) {
        s.control->Shutdown();
    }
    for (SessionEntry& s : sessions) {
        s.thread.Join();
    }
}

int NetworkListenManager::NetworkManagerThreadProc() {
    if (SleepUnlessStopped(settings_.startPauseMs)) {
        CreateSockets();
        {
            std::lock_guard<std::mutex> guard(m_stateLock);
            m_listening = true;
        }
        m_stateChanged.notify_all();
        ListenLoop();
    }
    CloseSockets();
    return 0;
}

void NetworkListenManager::CreateSocket(std::uint16_t portNetOrder, SocketAddr* pAddr) {
    pAddr->sock = OpenListeningSocket();
    if (pAddr->sock == kInvalidSocket) {
        AssertLog(0, "pAddr->sock != -1", __FILE__, "NetworkListenManager::CreateSocket", 178);
    }

    pAddr->addr = Ipv4Endpoint{};
    pAddr->addr.port = portNetOrder;
    if (!settings_.bindAddress.empty() && !ParseDottedIpv4(settings_.bindAddress, pAddr->addr.ip)) {
        pAddr->addr.ip = 0;  // any address
    }

    int failures = 0;
    while (!BindSocket(pAddr->sock, pAddr->addr)) {
        ++failures;
        if (failures >= settings_.bindAttempts) {
            TraceLog("Erro, TCP Port:%d bind failed!\n", NetToHost16(portNetOrder));
            return;
        }
        if (!SleepUnlessStopped(settings_.bindRetryPauseMs)) {
            return;
        }
    }
    if (!ListenOnSocket(pAddr->sock, settings_.backlog)) {
        return;
    }
    LocalEndpoint(pAddr->sock, pAddr->addr);
    const int slot = static_cast<int>(pAddr - m_slots);
    if (slot >= 0 && slot < kListenSlotCount) {
        m_boundPort[slot].store(NetToHost16(pAddr->addr.port));
    }
}

void NetworkListenManager::CreateSockets() {
    auto port = [](int base, int offset) {
        return base == 0 ? std::uint16_t{0}
                         : HostToNet16(static_cast<std::uint16_t>(base + offset));
    };
    for (int i = 0; i < kGroupASlotCount; ++i) {
        CreateSocket(port(settings_.portA, i), &m_slots[i]);
    }
    CreateSocket(port(settings_.portB, 0), &m_slots[kGroupASlotCount]);
    CreateSocket(port(settings_.portC, 0), &m_slots[kGroupASlotCount + 1]);
    CreateSocket(port(settings_.portD, 0), &m_slots[kGroupASlotCount + 2]);
}

void NetworkListenManager::CloseSockets() {
    for (int i = 0; i < kListenSlotCount; ++i) {
        CloseSocket(m_slots[i].sock);
        m_boundPort[i].store(0);
    }
}

void NetworkListenManager::ListenLoop() {
    std::vector<int> slotOf;  // poller entry -> slot, or -1 - idle index
    for (;;) {
        bool failed = false;
        m_poller.Clear();
        slotOf.clear();
        // Only listening slots are watched: an unbound one would never become ready.
        for (int i = 0; i < kListenSlotCount; ++i) {
            if (m_boundPort[i].load() != 0) {
                m_poller.Add(m_slots[i].sock);
                slotOf.push_back(i);
            }
        }
        for (std::size_t k = 0; k < m_idle.size(); ++k) {
            m_poller.Add(m_idle[k]->peer.sock);
            slotOf.push_back(-1 - static_cast<int>(k));
        }

        const int ready = m_poller.Wait(-1);
        if (ready < 0) {
            if (LastSocketError() == EINTR) {
                continue;
            }
            failed = true;
        }
        if (ready > 0 && m_poller.Woken()) {
            ReapSessions();
        }
        {
            std::lock_guard<std::mutex> guard(m_stateLock);
            if (m_stopping) {
                return;
            }
        }
        if (ready > 0) {
            for (std::size_t k = 0; k < slotOf.size(); ++k) {
                if (slotOf[k] >= 0 && (m_poller.Events(k) & SocketPoller::kReadable) != 0) {
                    const int slot = slotOf[k];
                    if (AcceptSocket(m_slots[slot].type, m_slots[slot].sock) == -1) {
                        failed = true;
                    }
                }
            }
            // Idle connections from the back, so erasing keeps earlier indices valid.
            for (std::size_t k = slotOf.size(); k-- > 0;) {
                if (slotOf[k] < 0 && m_poller.Events(k) != 0) {
                    ServeIdleConnection(static_cast<std::size_t>(-1 - slotOf[k]),
                                        m_poller.Events(k));
                }
            }
        }
        if (failed && !SleepUnlessStopped(settings_.acceptFailurePauseMs)) {
            return;
        }
    }
}

int NetworkListenManager::AcceptSocket(int type, SocketHandle listenSock) {
    auto info = std::make_unique<ConnectionInfo>();
    info->peer.sock = AcceptConnection(listenSock, info->peer.addr);
    if (info->peer.sock == kInvalidSocket) {
        if (IsTransientAcceptError(LastSocketError())) {
            return 0;
        }
        TraceLog("Accept is failed,%s,%s,%d \n", kSourceFile, "NetworkListenManager::AcceptSocket",
                 481);
        return -1;
    }
    info->peer.type = type;
    LocalEndpoint(listenSock, info->listener.addr);
    info->listener.sock = listenSock;

    if (IsSessionType(type)) {
        const SocketHandle sock = info->peer.sock;
        const Ipv4Endpoint peerAddr = info->peer.addr;
        std::unique_ptr<ConnectionAdmission::Ticket> ticket = m_admission.Admit(peerAddr);
        if (!ticket) {
            // Over a cap: the connection goes at once, with a reset, so it holds nothing here.
            ResetSocket(info->peer.sock);
            return 0;
        }
        auto control = std::make_shared<SessionControl>(sock, [this] { Wake(); });
        CmpSessionOptions options;
        options.pool = &pool_;
        options.recvTimeoutMs = settings_.sessionRecvTimeoutMs;
        options.handshakeDeadlineMs = settings_.handshakeDeadlineMs;
        options.sendTimeoutMs = settings_.sessionSendTimeoutMs;
        options.silenceBoundMs = settings_.sessionSilenceBoundMs;
        options.control = control;
        options.handshakeEnded = [t = ticket.get()] { t->EndHandshake(); };
        SmallStackThread thread;
        const bool started = thread.Start(
            [record = std::move(info), options, control, ticket = std::move(ticket)]() mutable {
                NetworkCmpProcotolThreadProc(std::move(record), options);
                ticket.reset();
                control->MarkFinished();
            },
            settings_.sessionStackBytes);
        if (!started) {
            // The record and the ticket went with the unstarted task; the socket is still ours
            // to close. Only this connection fails: the other ports keep accepting.
            TraceLog("Created Thread is failed,%s,%s,%d \n", kSourceFile,
                     "NetworkListenManager::AcceptSocket", 502);
            TraceLog("port=%d,ip=%s \n", HostPort(peerAddr), DottedAddress(peerAddr).c_str());
            SocketHandle s = sock;
            ResetSocket(s);
            return 0;
        }
        std::lock_guard<std::mutex> guard(m_hMutex);
        m_sessions.push_back(SessionEntry{std::move(thread), std::move(control)});
        return 0;
    }

    // Idle ports: held open until the peer closes, within a bound on how many are held.
    std::lock_guard<std::mutex> guard(m_idleLock);
    if (m_idle.size() >= settings_.maxIdleConnections) {
        CloseSocket(info->peer.sock);
        return 0;
    }
    m_idle.push_back(std::move(info));
    return 0;
}

void NetworkListenManager::ServeIdleConnection(std::size_t index, unsigned events) {
    if (index >= m_idle.size()) {
        return;
    }
    SocketHandle& sock = m_idle[index]->peer.sock;
    bool closed = (events & SocketPoller::kError) != 0;
    if (!closed) {
        // Whatever the peer sends is read and dropped; end of stream frees the connection.
        std::uint8_t scratch[4096];
        const long n = SocketRecvNow(sock, scratch, sizeof(scratch));
        const int err = n < 0 ? LastSocketError() : 0;
        closed = n == 0 || (n < 0 && err != EAGAIN && err != EWOULDBLOCK && err != EINTR);
    }
    if (closed) {
        std::lock_guard<std::mutex> guard(m_idleLock);
        CloseSocket(sock);
        m_idle.erase(m_idle.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

void NetworkListenManager::CloseIdleConnections() {
    std::lock_guard<std::mutex> guard(m_idleLock);
    for (auto& info : m_idle) {
        CloseSocket(info->peer.sock);
    }
    m_idle.clear();
}

void NetworkListenManager::ReapSessions() {
    std::list<SessionEntry> finished;
    {
        std::lock_guard<std::mutex> guard(m_hMutex);
        for (auto it = m_sessions.begin(); it != m_sessions.end();) {
            auto next = std::next(it);
            if (it->control->Finished()) {
                finished.splice(finished.end(), m_sessions, it);
            }
            it = next;
        }
    }
    for (SessionEntry& s : finished) {
        s.thread.Join();
    }
}

void NetworkListenManager::Wake() {
    m_poller.Wake();
}

bool NetworkListenManager::SleepUnlessStopped(int ms) {
    std::unique_lock<std::mutex> lock(m_stateLock);
    if (ms > 0) {
        m_stateChanged.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopping; });
    }
    return !m_stopping;
}

bool NetworkListenManager::WaitListening(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_stateLock);
    return m_stateChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
        return m_listening || m_stopping;
    }) && m_listening;
}

int NetworkListenManager::SlotPort(int slot) const {
    if (slot < 0 || slot >= kListenSlotCount) {
        return 0;
    }
    return m_boundPort[slot].load();
}

std::size_t NetworkListenManager::IdleConnectionCount() const {
    std::lock_guard<std::mutex> guard(m_idleLock);
    return m_idle.size();
}

std::size_t NetworkListenManager::SessionCount() const {
    std::lock_guard<std::mutex> guard(m_hMutex);
    std::size_t live = 0;
    for (const SessionEntry& s : m_sessions) {
        live += s.control->Finished() ? 0 : 1;
    }
    return live;
}

NetworkListenManager& GetNetworkListenManager() {
    // Lives to the end of the process: session threads may still use it while statics go.
    alignas(NetworkListenManager) static unsigned char storage[sizeof(NetworkListenManager)];
    static NetworkListenManager* const manager = new (storage) NetworkListenManager();
    return *manager;
}
