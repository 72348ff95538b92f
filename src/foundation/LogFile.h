#pragma once
// One log file, kept open between lines. Each line goes out in one whole write under the file's
// own lock, so lines from different threads never interleave; a file over its size limit is
// deleted before the next line, which starts a fresh one.
//
// Users may move or delete a log while the tool runs: at most every recheck period the writer
// looks whether its name still leads to the open file, and if not opens a fresh one under that
// name. A line that cannot be written (folder missing, disk full or failing) is dropped and
// counted; nothing waits or fails for it.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/AppendFile.h"

class LogFile {
  public:
    static constexpr std::chrono::milliseconds kDefaultRecheckPeriod{250};

    // sizeLimit: a file holding more bytes than this is deleted before the next line is
    // appended (0: no limit).
    LogFile(std::string path, std::int64_t sizeLimit,
            std::chrono::milliseconds recheckPeriod = kDefaultRecheckPeriod);
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Points the writer at another path; the next line opens it.
    void Retarget(std::string path);
    // Appends one formatted line as it stands.
    void Append(const char* text, std::size_t size);
    // Lines dropped because they could not be written.
    std::uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

  private:
    using Clock = std::chrono::steady_clock;

    // Reopens the file when it is closed, or moved or deleted since it was opened.
    void Recheck(Clock::time_point now);
    bool OpenLocked();

    const std::int64_t sizeLimit_;
    const Clock::duration recheckPeriod_;
    std::mutex mutex_;
    std::string path_;
    AppendFile file_;
    FileIdentity identity_;
    std::int64_t size_ = 0;
    bool openAtNextLine_ = true;
    Clock::time_point nextCheck_{};
    std::atomic<std::uint64_t> dropped_{0};
};
