#pragma once
// The thread behind the upgrade invitations: runs a body that makes one pass after another,
// one period apart, until a pass sends nothing. A start while the thread runs makes it pass
// again at once instead of starting a second thread. Stopped and joined by its destructor.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class UpgradePoller {
  public:
    explicit UpgradePoller(std::chrono::milliseconds period);
    ~UpgradePoller();
    UpgradePoller(const UpgradePoller&) = delete;
    UpgradePoller& operator=(const UpgradePoller&) = delete;

    // Runs `body` on the poll thread, or, while the thread still runs, wakes it for a pass
    // now (the running body carries on). Nothing after Stop.
    void Start(std::function<void()> body);
    // Called by the body after each pass: waits one period and answers whether to pass again.
    // False (and the thread counts as ended) after a pass that sent nothing with no new start
    // meanwhile, or when stopping.
    bool WaitNextPass(int sentThisPass);
    bool IsRunning() const;
    // Ends the thread at its next wait and joins it; nothing starts afterwards.
    void Stop();
    // Ends and joins the thread like Stop, but a later Start runs a new one.
    void Halt();

  private:
    void EndThread();  // with startMutex_ held

    const std::chrono::milliseconds period_;
    mutable std::mutex mutex_;  // guards the flags
    std::condition_variable wake_;
    bool running_ = false;
    bool again_ = false;
    bool stop_ = false;
    std::mutex startMutex_;  // one Start or Stop at a time; guards thread_
    std::thread thread_;
};
