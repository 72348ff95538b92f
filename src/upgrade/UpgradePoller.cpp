#include "upgrade/UpgradePoller.h"

#include <utility>

UpgradePoller::UpgradePoller(std::chrono::milliseconds period) : period_(period) {}

UpgradePoller::~UpgradePoller() {
    Stop();
}

void UpgradePoller::Start(std::function<void()> body) {
    std::lock_guard<std::mutex> starting(startMutex_);
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (stop_) {
            return;
        }
        if (running_) {
            again_ = true;
            wake_.notify_all();
            return;
        }
    }
    // An earlier thread has decided to end; it takes no lock any more.
    if (thread_.joinable()) {
        thread_.join();
    }
    {
        std::lock_guard<std::mutex> guard(mutex_);
        running_ = true;
        again_ = false;
    }
    thread_ = std::thread([this, run = std::move(body)] {
        run();
        std::lock_guard<std::mutex> guard(mutex_);
        running_ = false;
    });
}

bool UpgradePoller::WaitNextPass(int sentThisPass) {
    std::unique_lock<std::mutex> guard(mutex_);
    wake_.wait_for(guard, period_, [this] { return stop_ || again_; });
    // Deciding to end and marking the thread ended happen under one lock, so a start in
    // between is never lost.
    if (stop_ || (sentThisPass == 0 && !again_)) {
        running_ = false;
        return false;
    }
    again_ = false;
    return true;
}

bool UpgradePoller::IsRunning() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return running_;
}

void UpgradePoller::Stop() {
    std::lock_guard<std::mutex> starting(startMutex_);
    EndThread();
}

void UpgradePoller::Halt() {
    std::lock_guard<std::mutex> starting(startMutex_);
    EndThread();
    std::lock_guard<std::mutex> guard(mutex_);
    stop_ = false;
}

void UpgradePoller::EndThread() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}
