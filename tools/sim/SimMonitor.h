#pragma once
// One simulated monitor: connects to the tool, answers its greeting with version, connect type
// and GUID, reports itself, then on its own thread keeps the session alive, answers every order
// with a command result and pulls offered firmware. Stop() or the destructor ends it.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include "SimLink.h"
#include "SimMonitorConfig.h"
#include "SimRecord.h"
#include "SimUpgradePuller.h"

class SimMonitor {
  public:
    // Receives one line per notable event, on the monitor's thread.
    using EventSink = std::function<void(const std::string&)>;

    explicit SimMonitor(SimMonitorConfig config);
    ~SimMonitor();
    SimMonitor(const SimMonitor&) = delete;
    SimMonitor& operator=(const SimMonitor&) = delete;

    // Set before Start.
    void SetEventSink(EventSink sink) { sink_ = std::move(sink); }

    // Starts the monitor's thread, which connects and runs the session. False when started before.
    bool Start(const std::string& host, int port);
    // Closes the connection and joins the thread; harmless when not running.
    void Stop();
    // The thread has ended (connection failed, closed by either side, or stopped).
    bool Finished() const { return finished_.load(); }

    const SimRecord& Record() const { return record_; }
    const SimMonitorConfig& InitialConfig() const { return initial_; }

    // Convenience waits on the record.
    bool WaitOnline(std::chrono::milliseconds timeout) const;
    bool WaitClosed(std::chrono::milliseconds timeout) const;

  private:
    using Clock = std::chrono::steady_clock;

    void Run(std::string host, int port);
    bool WaitForGreeting();
    bool SendHandshake();
    void GoOnline();
    bool ReconnectLeavingHalfOpen(const std::string& host, int port);
    void WatchHalfOpen();
    void SendReports();
    void Loop();
    void FloodLoop();
    void StallHandshake();

    bool Send(std::uint16_t cmd, const SimBytes& body);
    bool SendResult(std::uint32_t command, bool ok, std::uint16_t detail);
    bool OnFrame(const std::uint8_t* frame, std::size_t length);
    void OnAttributeOrder(const std::uint8_t* frame, std::size_t length, SimOrder order);
    void OnModuleSetOrder(const std::uint8_t* frame, std::size_t length, SimOrder order);
    void OnInvitation(const std::uint8_t* frame, std::size_t length);
    void OnUpgradeData(const std::uint8_t* frame, std::size_t length);
    void SendRequest(const SimUpgradePuller::Request& request);
    // Waits out the link delay before a request goes out (a stop cuts it short).
    void HoldForLink();
    void FinishUpgrade();
    void CheckUpgradeTimeout();
    void Emit(const std::string& text);

    const SimMonitorConfig initial_;
    SimMonitorConfig config_;  // the monitor thread's working copy; orders change it
    SimRecord record_;
    SimLink link_;
    UniqueSocket halfOpen_;  // the connection left behind by reconnectHalfOpen
    SimUpgradePuller puller_;
    std::mt19937 rng_;
    EventSink sink_;

    bool online_ = false;   // after the handshake: injections apply from here on
    bool dropNow_ = false;  // close after the frames at hand
    Clock::time_point requestDeadline_{};
    Clock::time_point requestSentAt_{};
    int requestTries_ = 0;
    int progressQuarter_ = 0;
    std::chrono::microseconds holdLateness_{0};  // how late the link holds have woken, smoothed

    std::atomic<bool> stop_{false};
    std::atomic<bool> started_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};
