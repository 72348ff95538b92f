#include "app/EventLoopUiThread.h"

#include <algorithm>
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
        // Due timers first, so a steady stream of tasks never starves them; after a tick the
        // tasks queued meanwhile run before the next one, so a tick slower than its period (a
        // busy machine) never starves the tasks either.
        const Clock::time_point now = Clock::now();
        Clock::time_point next = Clock::time_point::max();
        // The timer due longest ago ticks, so one that is always due cannot starve the others.
        Timer* due = nullptr;
        for (auto& [id, timer] : timers_) {
            if (timer.due <= now && (due == nullptr || timer.due < due->due)) {
                due = &timer;
            }
        }
        UiTask tick;
        if (due != nullptr) {
            due->due += due->period;
            if (due->due <= now) {
                due->due = now + due->period;  // no catching up on missed ticks
            }
            tick = due->tick;
        }
        for (const auto& [id, timer] : timers_) {
            next = std::min(next, timer.due);
        }
        if (tick) {
            lock.unlock();
            tick();
            lock.lock();
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
        if (tick) {
            continue;  // timers may be due again
        }
        if (next == Clock::time_point::max()) {
            wake_.wait(lock);
        } else {
            wake_.wait_until(lock, next);
        }
    }
}
