#pragma once
// A UI thread for page tests: tasks posted from any thread wait in a queue until the test's own
// thread runs them, as a window's message loop would.
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

#include "LoopbackTestSupport.h"
#include "foundation/UiThread.h"

class QueuedUiThread : public IUiThread {
  public:
    void Post(UiTask task) override {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    // Runs the tasks queued so far on the calling thread; how many ran.
    int RunPending() {
        std::deque<UiTask> batch;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            batch.swap(tasks_);
        }
        for (UiTask& task : batch) {
            task();
        }
        return static_cast<int>(batch.size());
    }
    // Runs the waiting tasks and any they post, until none is left; how many ran.
    int RunAll() {
        int ran = 0;
        for (int n = RunPending(); n > 0; n = RunPending()) {
            ran += n;
        }
        return ran;
    }
    std::size_t Waiting() {
        std::lock_guard<std::mutex> lock(mutex_);
        return tasks_.size();
    }
    // Runs tasks as they come until done() holds; false when it still fails after timeout.
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        return WaitUntil(
            [&] {
                RunPending();
                return done();
            },
            timeout);
    }

  private:
    std::mutex mutex_;
    std::deque<UiTask> tasks_;
};

// The same, installed as the process-wide UI thread for its lifetime (for code that posts
// through PostToUiThread rather than an injected seam).
class InstalledQueuedUiThread : public QueuedUiThread {
  public:
    InstalledQueuedUiThread() { SetUiThread(this); }
    ~InstalledQueuedUiThread() override { SetUiThread(nullptr); }
    InstalledQueuedUiThread(const InstalledQueuedUiThread&) = delete;
    InstalledQueuedUiThread& operator=(const InstalledQueuedUiThread&) = delete;
};
