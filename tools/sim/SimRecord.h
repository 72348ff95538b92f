#pragma once
// What one simulated monitor did, shared between its thread and observers (tests, the CLI).
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "SimMonitorConfig.h"

// One frame from the tool that the monitor treated as an order.
struct SimOrder {
    std::uint16_t cmd = 0;
    std::uint16_t serial = 0;
    std::uint16_t item = 0;  // the item code for 0x0200, else 0
    bool accepted = false;   // answered with status 1
    std::vector<std::uint8_t> frame;
};

struct SimPieceRequest {
    int fileSerial = 0;
    int serialNum = 0;
};

struct SimFileResult {
    int fileSerial = 0;
    std::string name;
    std::size_t size = 0;
    std::string expectedDigest;  // the 32-character text of the header piece
    std::string actualDigest;
    bool verified = false;
};

enum class SimPhase { Idle, Connecting, Handshake, Online, Closed };

struct SimSnapshot {
    SimPhase phase = SimPhase::Idle;
    bool wentOnline = false;      // finished the handshake at some point
    bool connectFailed = false;   // never got a connection or a greeting
    bool peerClosed = false;      // the tool ended the connection
    bool dropped = false;         // closed on purpose (drop-after-pieces)
    int halfOpenReconnects = 0;   // came back on a new connection, leaving the old one half-open
    bool halfOpenClosed = false;  // the tool closed the connection left half-open
    std::int64_t stallEndedAfterMs = -1;  // how long a stalled handshake was held, from greeting
    bool endedByReset = false;            // the tool reset the connection rather than closing it
    std::string lastError;

    std::uint64_t framesReceived = 0;
    std::uint64_t framesSent = 0;
    std::uint64_t keepAlivesSent = 0;
    std::uint64_t garbageBytesSent = 0;
    std::vector<SimOrder> orders;

    std::uint64_t invitations = 0;
    std::vector<SimPieceRequest> requests;  // every upgrade request sent, in order
    std::uint64_t piecesPulled = 0;         // data pieces received
    std::uint64_t bytesPulled = 0;
    std::uint64_t requestRetries = 0;
    std::uint64_t strayAnswers = 0;    // upgrade data that matched no open request
    std::int64_t slowestAnswerMs = 0;  // longest wait from an upgrade request to its answer
    // Every upgrade answer's wait in microseconds, from its request going out (after any link
    // delay): what the tool adds to the link.
    std::vector<std::uint32_t> answerWaitsUs;
    // When the latest pull began (on the invitation) and when it ended, verified or not.
    std::chrono::steady_clock::time_point pullStartedAt{};
    std::chrono::steady_clock::time_point pullEndedAt{};
    std::vector<SimFileResult> files;
    std::uint64_t filesVerified = 0;
    std::uint64_t filesFailed = 0;
    std::uint64_t upgradesSucceeded = 0;
    std::uint64_t upgradesFailed = 0;
    bool upgrading = false;

    // The monitor's settings as the tool's orders left them.
    std::string deviceName;
    SimModuleMask loadedModules{};
    SimWifiSettings wifi;
};

class SimRecord {
  public:
    using Predicate = std::function<bool(const SimSnapshot&)>;

    SimSnapshot Snapshot() const;
    // Changes the record under its lock and wakes every waiter.
    void Update(const std::function<void(SimSnapshot&)>& change);
    // True as soon as the predicate holds; false when it still fails after timeout.
    bool WaitFor(const Predicate& predicate, std::chrono::milliseconds timeout) const;

    // While a Hold lives, updates still apply at once, but waiters are woken only once, when
    // it ends: a monitor handling a burst of frames wakes an observer once, not per counter.
    class Hold {
      public:
        explicit Hold(SimRecord& record);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

      private:
        SimRecord& record_;
    };

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    SimSnapshot data_;
    int held_ = 0;          // live Holds
    bool unwoken_ = false;  // updated while held
};
