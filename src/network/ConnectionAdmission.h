#pragma once
// Decides whether a connection on a session port may have a session thread, so that no host can
// use up the tool's threads and shut real monitors out: it bounds the connections still in the
// handshake, those of one address among them, and the sessions in all. An admitted connection
// holds a ticket that gives its places back, the handshake place as soon as the handshake ends.
// Refusals are counted and written to Trace.log at a bounded rate.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "platform/SocketAddr.h"

struct AdmissionLimits {
    int handshakes = 40;         // connections in the handshake, from all addresses
    int handshakesPerHost = 20;  // of one address: more than a whole ward reconnecting at once
    int sessions = 56;           // handshakes and online sessions together: 16 monitors and room
    int logIntervalMs = 1000;    // at most one refusal line this often
};

class ConnectionAdmission {
  public:
    class Ticket {
      public:
        ~Ticket();
        Ticket(const Ticket&) = delete;
        Ticket& operator=(const Ticket&) = delete;
        // Gives the handshake place back; the session place stays until the ticket goes.
        void EndHandshake();

      private:
        friend class ConnectionAdmission;
        Ticket(ConnectionAdmission& owner, std::uint32_t ip) : owner_(owner), ip_(ip) {}
        ConnectionAdmission& owner_;
        std::uint32_t ip_;
        bool inHandshake_ = true;
    };

    explicit ConnectionAdmission(AdmissionLimits limits = {});

    // A ticket when the connection from `peer` may start a session; empty when a cap is
    // reached (the refusal is counted and logged). The ticket must not outlive this object.
    std::unique_ptr<Ticket> Admit(const Ipv4Endpoint& peer);

    int Handshakes() const;
    int Sessions() const;
    std::uint64_t Refused() const;

  private:
    void Release(std::uint32_t ip, bool inHandshake, bool session);
    void NoteRefusal(const Ipv4Endpoint& peer, const char* reason);

    const AdmissionLimits limits_;
    mutable std::mutex lock_;
    int handshakes_ = 0;
    int sessions_ = 0;
    std::map<std::uint32_t, int> handshakesOf_;  // by address in network byte order
    std::uint64_t refused_ = 0;
    std::uint64_t refusedSinceLine_ = 0;
    std::chrono::steady_clock::time_point lastLine_{};
    bool loggedOnce_ = false;
};
