#include "app/EventLoopUiThread.h"

#include <future>
#include <memory>
#include <utility>

EventLoopUiThread::EventLoopUiThread() : thread_([this] { Loop(); }) {}

EventLoopUiThread::~EventLoopUiThread() {
    Stop();
}

void EventLoopUiThread::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        stopping_.store(true, std::memory_order_relaxed);
    }
    wake_.notify_all();
    if (thread_.joinable() && !IsLoopThread()) {
        thread_.join();
    }
}

void EventLoopUiThread::Post(UiTask task) {
    if (!task) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_) {
            return;
        }
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

void EventLoopUiThread::SetTimer(int id, std::chrono::milliseconds period, UiTask tick) {
    if (period.count() <= 0 || !tick) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        timers_[id] = Timer{period, Clock::now() + period, std::move(tick)};
    }
    wake_.notify_one();
}

void EventLoopUiThread::KillTimer(int id) {
    std::lock_guard<std::mutex> lock(mutex_);
    timers_.erase(id);
}

bool EventLoopUiThread::Flush(std::chrono::milliseconds timeout) {
    if (IsLoopThread()) {
        return false;
    }
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> ready = done->get_future();
    Post([done] { done->set_value(); });
    return ready.wait_for(timeout) == std::future_status::ready;
}

void EventLoopUiThread::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        // Due timers first, so a steady stream of tasks never starves them; each runs at most
        // once per period, so tasks are never starved either.
        const Clock::time_point now = Clock::now();
        Clock::time_point next = Clock::time_point::max();
        UiTask tick;
        for (auto& [id, timer] : timers_) {
            if (!tick && timer.due <= now) {
                timer.due += timer.period;
                if (timer.due <= now) {
                    timer.due = now + timer.period;  // no catching up on missed ticks
                }
                tick = timer.tick;
            }
            if (timer.due < next) {
                next = timer.due;
            }
        }
        if (tick) {
            lock.unlock();
            tick();
            lock.lock();
            continue;
        }
        if (!tasks_.empty()) {
            // Everything queued so far runs in one go: the posting threads meet the lock once
            // per batch rather than once per task. Timers are looked at again after the batch.
            running_.swap(tasks_);
            lock.unlock();
            for (UiTask& task : running_) {
                if (stopping_.load(std::memory_order_relaxed)) {
                    break;  // the rest of the batch is dropped, as queued tasks are
                }
                task();
            }
            running_.clear();
            lock.lock();
            continue;
        }
        if (next == Clock::time_point::max()) {
            wake_.wait(lock);
        } else {
            wake_.wait_until(lock, next);
        }
    }
}
