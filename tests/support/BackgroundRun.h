#pragma once
// A run of a blocking loop on a thread of its own, for tests. When the test returns early (a
// failed ASSERT) the destructor first asks the loop to stop, so the failure is reported at once
// instead of waiting in the future's destructor until CTest kills the test.
#include <chrono>
#include <functional>
#include <future>
#include <utility>

class BackgroundRun {
  public:
    BackgroundRun(std::function<int()> run, std::function<void()> stop)
        : stop_(std::move(stop)), result_(std::async(std::launch::async, std::move(run))) {}
    ~BackgroundRun() {
        if (result_.valid()) {
            stop_();
            result_.wait();
        }
    }
    BackgroundRun(const BackgroundRun&) = delete;
    BackgroundRun& operator=(const BackgroundRun&) = delete;

    // Whether the run ended within `limit`.
    bool EndsWithin(std::chrono::milliseconds limit) {
        return result_.wait_for(limit) == std::future_status::ready;
    }
    // The run's result; waits for it.
    int Result() { return result_.get(); }

  private:
    std::function<void()> stop_;
    std::future<int> result_;
};
