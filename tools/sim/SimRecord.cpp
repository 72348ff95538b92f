#include "SimRecord.h"

SimSnapshot SimRecord::Snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return data_;
}

void SimRecord::Update(const std::function<void(SimSnapshot&)>& change) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        change(data_);
    }
    changed_.notify_all();
}

bool SimRecord::WaitFor(const Predicate& predicate, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return predicate(data_); });
}
