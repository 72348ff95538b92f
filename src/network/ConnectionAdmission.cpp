#include "network/ConnectionAdmission.h"

#include "foundation/Log.h"
#include "platform/Socket.h"

ConnectionAdmission::Ticket::~Ticket() {
    owner_.Release(ip_, inHandshake_, true);
}

void ConnectionAdmission::Ticket::EndHandshake() {
    if (inHandshake_) {
        inHandshake_ = false;
        owner_.Release(ip_, true, false);
    }
}

ConnectionAdmission::ConnectionAdmission(AdmissionLimits limits) : limits_(limits) {}

std::unique_ptr<ConnectionAdmission::Ticket> ConnectionAdmission::Admit(const Ipv4Endpoint& peer) {
    const char* reason = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto it = handshakesOf_.find(peer.ip);
        const int ofHost = it == handshakesOf_.end() ? 0 : it->second;
        if (sessions_ >= limits_.sessions) {
            reason = "too many sessions";
        } else if (handshakes_ >= limits_.handshakes) {
            reason = "too many connections in the handshake";
        } else if (ofHost >= limits_.handshakesPerHost) {
            reason = "too many handshakes from this address";
        } else {
            ++sessions_;
            ++handshakes_;
            ++handshakesOf_[peer.ip];
            return std::unique_ptr<Ticket>(new Ticket(*this, peer.ip));
        }
    }
    NoteRefusal(peer, reason);
    return nullptr;
}

void ConnectionAdmission::Release(std::uint32_t ip, bool inHandshake, bool session) {
    std::lock_guard<std::mutex> guard(lock_);
    if (inHandshake) {
        --handshakes_;
        auto it = handshakesOf_.find(ip);
        if (it != handshakesOf_.end() && --it->second <= 0) {
            handshakesOf_.erase(it);
        }
    }
    if (session) {
        --sessions_;
    }
}

void ConnectionAdmission::NoteRefusal(const Ipv4Endpoint& peer, const char* reason) {
    std::unique_lock<std::mutex> guard(lock_);
    ++refused_;
    ++refusedSinceLine_;
    const auto now = std::chrono::steady_clock::now();
    if (loggedOnce_ && now - lastLine_ < std::chrono::milliseconds(limits_.logIntervalMs)) {
        return;
    }
    loggedOnce_ = true;
    lastLine_ = now;
    const unsigned long count = static_cast<unsigned long>(refusedSinceLine_);
    refusedSinceLine_ = 0;
    guard.unlock();
    TraceLog("Connection refused,ip=%s,port=%d,reason=%s,refused since the last line=%lu\n",
             DottedAddress(peer).c_str(), HostPort(peer), reason, count);
}

int ConnectionAdmission::Handshakes() const {
    std::lock_guard<std::mutex> guard(lock_);
    return handshakes_;
}

int ConnectionAdmission::Sessions() const {
    std::lock_guard<std::mutex> guard(lock_);
    return sessions_;
}

std::uint64_t ConnectionAdmission::Refused() const {
    std::lock_guard<std::mutex> guard(lock_);
    return refused_;
}
