#pragma once
// A UI thread that keeps every posted task until the test runs them, so a test can see what
// waits in the UI queue while the UI thread is busy.
#include <cstddef>
#include <deque>
#include <mutex>
#include <utility>

#include "foundation/UiThread.h"

class HeldUiThread : public IUiThread {
  public:
    void Post(UiTask task) override {
        std::lock_guard<std::mutex> guard(mutex_);
        tasks_.push_back(std::move(task));
    }
    std::size_t Waiting() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return tasks_.size();
    }
    // Runs the waiting tasks in order, and any they post; returns how many ran.
    int RunAll() {
        int ran = 0;
        for (;;) {
            UiTask task;
            {
                std::lock_guard<std::mutex> guard(mutex_);
                if (tasks_.empty()) {
                    return ran;
                }
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
            ++ran;
        }
    }

  private:
    mutable std::mutex mutex_;
    std::deque<UiTask> tasks_;
};
