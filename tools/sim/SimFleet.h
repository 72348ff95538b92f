#pragma once
// N simulated monitors with distinct GUIDs and device names, pointed at one host and port.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SimMonitor.h"

struct SimFleetSummary {
    int monitors = 0;
    int online = 0;  // finished the handshake (now or earlier)
    int connectFailed = 0;
    int closedByPeer = 0;
    int dropped = 0;
    std::uint64_t orders = 0;
    std::uint64_t ordersRefused = 0;
    std::uint64_t keepAlives = 0;
    std::uint64_t piecesPulled = 0;
    std::uint64_t bytesPulled = 0;
    std::uint64_t filesVerified = 0;
    std::uint64_t filesFailed = 0;
    int upgradesSucceeded = 0;  // monitors with at least one successful upgrade
    int upgradesFailed = 0;     // monitors with at least one failed upgrade
    int withoutUpgrade = 0;     // monitors that finished no upgrade at all

    // Any digest or upgrade failed, or a monitor never got online.
    bool AnyFailure() const { return connectFailed > 0 || filesFailed > 0 || upgradesFailed > 0; }
    std::string Text() const;
};

class SimFleet {
  public:
    // Receives (monitor index, event text) on the monitors' threads.
    using EventSink = std::function<void(int, const std::string&)>;

    // Monitor i gets SimMonitorConfig::ForIndex(base, i, namePrefix, salt).
    SimFleet(const SimMonitorConfig& base, int count, const std::string& namePrefix = "SIM-",
             std::uint32_t salt = 0);
    ~SimFleet();
    SimFleet(const SimFleet&) = delete;
    SimFleet& operator=(const SimFleet&) = delete;

    void SetEventSink(EventSink sink) { sink_ = std::move(sink); }
    void StartAll(const std::string& host, int port);
    void StopAll();

    int Size() const { return static_cast<int>(monitors_.size()); }
    SimMonitor& At(int index) { return *monitors_.at(static_cast<std::size_t>(index)); }

    // True when every monitor's record satisfies predicate before timeout.
    bool WaitAll(const SimRecord::Predicate& predicate, std::chrono::milliseconds timeout) const;
    bool AllFinished() const;
    SimFleetSummary Summary() const;

  private:
    std::vector<std::unique_ptr<SimMonitor>> monitors_;
    EventSink sink_;
};
