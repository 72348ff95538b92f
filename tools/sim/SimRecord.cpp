#include "SimRecord.h"

SimSnapshot SimRecord::Snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return data_;
}

void SimRecord::Update(const std::function<void(SimSnapshot&)>& change) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        change(data_);
        if (held_ > 0) {
            unwoken_ = true;
            return;
        }
    }
    changed_.notify_all();
}

SimRecord::Hold::Hold(SimRecord& record) : record_(record) {
    std::lock_guard<std::mutex> lock(record_.mutex_);
    ++record_.held_;
}

SimRecord::Hold::~Hold() {
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(record_.mutex_);
        wake = --record_.held_ == 0 && record_.unwoken_;
        if (wake) {
            record_.unwoken_ = false;
        }
    }
    if (wake) {
        record_.changed_.notify_all();
    }
}

bool SimRecord::WaitFor(const Predicate& predicate, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return predicate(data_); });
}
