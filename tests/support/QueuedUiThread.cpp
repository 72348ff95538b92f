#include "QueuedUiThread.h"

#include <utility>

#include "LoopbackTestSupport.h"

void QueuedUiThread::Post(UiTask task) {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
}

int QueuedUiThread::RunPending() {
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

bool QueuedUiThread::PumpUntil(const std::function<bool()>& done,
                               std::chrono::milliseconds timeout) {
    return WaitUntil(
        [&] {
            RunPending();
            return done();
        },
        timeout);
}
