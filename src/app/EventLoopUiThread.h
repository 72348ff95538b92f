#pragma once
// The user-interface thread of the headless front end and of tests: one thread running posted
// tasks in posting order, plus periodic timers that run on the same thread between tasks.
// The destructor stops the thread and joins it; tasks still queued then are dropped.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "foundation/UiThread.h"

class EventLoopUiThread : public IUiThread {
  public:
    EventLoopUiThread();
    ~EventLoopUiThread() override;
    EventLoopUiThread(const EventLoopUiThread&) = delete;
    EventLoopUiThread& operator=(const EventLoopUiThread&) = delete;

    void Post(UiTask task) override;

    // Runs tick every period on the loop thread until KillTimer; a second SetTimer with the
    // same id replaces the first.
    void SetTimer(int id, std::chrono::milliseconds period, UiTask tick);
    void KillTimer(int id);

    // Blocks until every task posted before the call has run; false on timeout or when called
    // on the loop thread itself.
    bool Flush(std::chrono::milliseconds timeout);
    bool IsLoopThread() const { return std::this_thread::get_id() == thread_.get_id(); }

    // Stops the loop and joins it (also done by the destructor).
    void Stop();

  private:
    using Clock = std::chrono::steady_clock;
    struct Timer {
        std::chrono::milliseconds period;
        Clock::time_point due;
        UiTask tick;
    };

    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<UiTask> tasks_;
    std::deque<UiTask> running_;  // the batch being run, touched by the loop thread only
    std::map<int, Timer> timers_;
    bool stop_ = false;
    std::atomic<bool> stopping_{false};  // stop_ as the loop sees it between a batch's tasks
    std::thread thread_;
};
