#pragma once
// A UI thread that keeps every posted task until the test runs them, so a test can see what
// waits in the UI queue while the UI thread is busy. Posts come from the test's own thread.
#include <cstddef>
#include <deque>
#include <utility>

#include "foundation/UiThread.h"

class HeldUiThread : public IUiThread {
  public:
    void Post(UiTask task) override { tasks_.push_back(std::move(task)); }
    std::size_t Waiting() const { return tasks_.size(); }
    // Runs the waiting tasks in order, and any they post; returns how many ran.
    int RunAll() {
        int ran = 0;
        for (; !tasks_.empty(); ++ran) {
            UiTask task = std::move(tasks_.front());
            tasks_.pop_front();
            task();
        }
        return ran;
    }

  private:
    std::deque<UiTask> tasks_;
};
