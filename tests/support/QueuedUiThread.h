#pragma once
// A UI thread for tests: tasks posted from any thread wait in a queue until the test's own
// thread runs them, as a window's message loop would. Installed, it is also the process-wide
// UI thread for its lifetime.
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

#include "LoopbackTestSupport.h"
#include "foundation/UiThread.h"

class QueuedUiThread : public IUiThread {
  public:
    enum class Scope { Local, ProcessWide };
    explicit QueuedUiThread(Scope scope = Scope::Local) : installed_(scope == Scope::ProcessWide) {
        if (installed_) {
            SetUiThread(this);
        }
    }
    ~QueuedUiThread() override {
        if (installed_) {
            SetUiThread(nullptr);
        }
    }
    QueuedUiThread(const QueuedUiThread&) = delete;
    QueuedUiThread& operator=(const QueuedUiThread&) = delete;

    void Post(UiTask task) override {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    // How many tasks wait to run.
    int Pending() {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int>(tasks_.size());
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
    const bool installed_;
    std::mutex mutex_;
    std::deque<UiTask> tasks_;
};
