#pragma once
// A hosted network that runs no command and records the steps asked of it (from any thread).
// While held, Configure hangs like a command that never ends, until released or cancelled; a
// cancelled Start finds no adapter. A step named in `failing` ("stop", "configure", "start",
// "ip") fails, naming the command "<step> command".
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/HostedNetwork.h"

// Opened once, from any thread. A mutex and condition variable rather than std::binary_semaphore,
// whose wait in mingw's libstdc++ can miss a release made at the same moment.
class OneShotGate {
  public:
    void release() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            open_ = true;
        }
        opened_.notify_all();
    }
    void acquire() {
        std::unique_lock<std::mutex> lock(mutex_);
        opened_.wait(lock, [this] { return open_; });
        open_ = false;
    }

  private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

class FakeHostedNetwork : public HostedNetwork {
  public:
    void CancelCommands() override {
        Record("cancel");
        cancelled = true;
        gate.release();
    }
    void ResumeCommands() override {
        Record("resume");
        cancelled = false;
    }
    HostedNetworkResult Stop() override {
        Record("stop");
        return Outcome("stop");
    }
    HostedNetworkResult Configure(const std::string& ssid, const std::string& key) override {
        Record("configure " + ssid + " " + key);
        if (hold) {
            gate.acquire();
        }
        return Outcome("configure");
    }
    HostedNetworkResult Start() override {
        Record("start");
        return Outcome("start");
    }
    VirtualAdapterLookup FindVirtualAdapterName() override {
        Record("find");
        return cancelled ? VirtualAdapterLookup{} : lookup;
    }
    HostedNetworkResult ConfigureIp(const std::string& name, const Ipv4Octets& a) override {
        Record("ip " + name + " " + std::to_string(a[0]) + "." + std::to_string(a[1]) + "." +
               std::to_string(a[2]) + "." + std::to_string(a[3]));
        return Outcome("ip");
    }

    // The steps so far, in order.
    std::vector<std::string> Steps() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return steps_;
    }
    void ClearSteps() {
        std::lock_guard<std::mutex> lock(mutex_);
        steps_.clear();
    }

    OneShotGate gate;
    std::atomic<bool> hold{false};
    std::atomic<bool> cancelled{false};
    VirtualAdapterLookup lookup;    // what Find answers; no adapter unless a test sets one
    std::set<std::string> failing;  // set before the steps run

  private:
    HostedNetworkResult Outcome(const std::string& step) const {
        if (failing.count(step) != 0) {
            return HostedNetworkResult::Failed(step + " command");
        }
        return {};
    }
    void Record(const std::string& step) {
        std::lock_guard<std::mutex> lock(mutex_);
        steps_.push_back(step);
    }

    mutable std::mutex mutex_;
    std::vector<std::string> steps_;
};
