#include "foundation/LogFile.h"

#include <utility>

#include "platform/CpuPause.h"

namespace {

constexpr int kSpinTries = 200;

}  // namespace

LogFile::LogFile(std::string path, std::int64_t sizeLimit, std::chrono::milliseconds recheckPeriod,
                 LineEnd lineEnd)
    : sizeLimit_(sizeLimit),
      recheckPeriod_(recheckPeriod),
      lineEnd_(lineEnd),
      path_(std::move(path)) {}

std::string LogFile::WithCrLf(const char* text, std::size_t size, bool afterCr) {
    std::string out;
    out.reserve(size + size / 16 + 2);
    for (std::size_t i = 0; i < size; ++i) {
        const bool crBefore = i > 0 ? text[i - 1] == '\r' : afterCr;
        if (text[i] == '\n' && !crBefore) {
            out += '\r';
        }
        out += text[i];
    }
    return out;
}

void LogFile::Retarget(std::string path) {
    std::lock_guard<std::mutex> lock(mutex_);
    path_ = std::move(path);
    file_.Close();
    openAtNextLine_ = true;
}

void LogFile::Append(const char* text, std::size_t size) {
    // Converted before the lock is taken; only a line that begins with its LF depends on the
    // line before, and that is settled under the lock.
    std::string converted;
    const bool crAddedFirst = lineEnd_ == LineEnd::CrLf && size > 0 && text[0] == '\n';
    if (lineEnd_ == LineEnd::CrLf) {
        converted = WithCrLf(text, size, false);
        text = converted.data();
        size = converted.size();
    }
    std::unique_lock<std::mutex> lock(mutex_, std::defer_lock);
    // The lock is held for one write of a few microseconds: waiting that out on the spot costs
    // less than sleeping on the lock and being woken, with many sessions logging at once.
    for (int tries = 0; !lock.try_lock(); ++tries) {
        if (tries == kSpinTries) {
            lock.lock();
            break;
        }
        CpuPause();
    }
    const Clock::time_point now = Clock::now();
    if (openAtNextLine_ || now >= nextCheck_) {
        Recheck(now);
    }
    if (!file_.IsOpen()) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    // A deletion that fails leaves the file in place and the line still goes into it.
    if (sizeLimit_ > 0 && size_ > sizeLimit_ && RemoveFile(path_) && !OpenLocked()) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    if (crAddedFirst && endsWithCr_) {
        // The CR before this LF is the last byte of the line before.
        ++text;
        --size;
    }
    if (size == 0) {
        return;
    }
    if (file_.Append(text, size)) {
        size_ += static_cast<std::int64_t>(size);
        endsWithCr_ = text[size - 1] == '\r';
    } else {
        dropped_.fetch_add(1, std::memory_order_relaxed);
    }
}

void LogFile::Recheck(Clock::time_point now) {
    openAtNextLine_ = false;
    nextCheck_ = now + recheckPeriod_;
    if (file_.IsOpen()) {
        FileIdentity named;
        std::int64_t size = 0;
        if (IdentifyPath(path_, named, size) && named == identity_) {
            size_ = size;  // another writer (a second instance) may have added to it
            return;
        }
    }
    // Closed, or moved or deleted under us: a fresh file under the name. When that fails too,
    // lines are dropped until the next check, so a failing folder costs no call per line.
    OpenLocked();
}

bool LogFile::OpenLocked() {
    if (file_.Open(path_) && file_.Identify(identity_, size_)) {
        return true;
    }
    file_.Close();
    return false;
}
