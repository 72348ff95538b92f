#pragma once
// One log file, kept open between lines. Each line goes out in one whole write under the file's
// own lock, so lines from different threads never interleave; a file over its size limit is
// deleted before the next line, which starts a fresh one.
//
// Users may move or delete a log while the tool runs: at most every recheck period the writer
// looks whether its name still leads to the open file, and if not opens a fresh one under that
// name. A line that cannot be written (folder missing, disk full or failing) is dropped and
// counted; nothing waits or fails for it.
//
// Lines end as the platform's text files do: with CR LF a lone LF becomes CR LF, and one that
// already follows a CR (also the last byte of the line before) is left as it is.
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
            std::chrono::milliseconds recheckPeriod = kDefaultRecheckPeriod,
            LineEnd lineEnd = NativeLineEnd());
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Points the writer at another path; the next line opens it.
    void Retarget(std::string path);
    // Appends one formatted line as it stands.
    void Append(const char* text, std::size_t size);
    // The text with each LF not preceded by a CR made CR LF; afterCr: the byte before the text
    // was a CR.
    static std::string WithCrLf(const char* text, std::size_t size, bool afterCr);
    // Lines dropped because they could not be written.
    std::uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

  private:
    using Clock = std::chrono::steady_clock;

    // Reopens the file when it is closed, or moved or deleted since it was opened.
    void Recheck(Clock::time_point now);
    bool OpenLocked();

    const std::int64_t sizeLimit_;
    const Clock::duration recheckPeriod_;
    const LineEnd lineEnd_;
    std::mutex mutex_;
    std::string path_;
    AppendFile file_;
    FileIdentity identity_;
    std::int64_t size_ = 0;
    bool openAtNextLine_ = true;
    bool endsWithCr_ = false;  // the last byte written was a CR
    Clock::time_point nextCheck_{};
    std::atomic<std::uint64_t> dropped_{0};
};
