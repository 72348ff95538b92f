#pragma once
// The four plain-text log files and the run-time check record.
//
// Each file has its own writer (LogFile): the file stays open in append mode between entries and
// every entry is one whole write, so entries from concurrent threads never interleave. A log
// moved or deleted while the tool runs is created afresh within LogFile's recheck period.
// Entries are formatted by the calling thread before the writer's lock is taken.
#include <cstddef>
#include <cstdint>
#include <string>

// Formatting capacity of one entry; longer messages are cut, never overrun.
inline constexpr std::size_t kLogFormatBufferSize = 16384;
// A log file larger than this is deleted before the next entry is appended.
inline constexpr long kLogFileSizeLimit = 4194304;

// Folder the log files are written to; the current directory ("") unless set.
void SetLogDirectory(const std::string& dir);
std::string GetLogDirectory();
// Path of a log file inside the log folder.
std::string LogFilePath(const char* fileName);

// Trace.log: time stamp, tab, message (callers end their own formats with "\n").
void TraceLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Net.log: same form as Trace.log.
void NetLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// DebugInfo.log: the message as formatted, no time stamp and no size cap.
void DebugInfoLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Assert.log: "expr,<24-char time text>\n,file,function,line\n".
int AssertLog(int condition, const char* expression, const char* file, const char* function,
              int line);

// Entries lost since the start because their file could not be opened or written.
std::uint64_t LogLinesDropped();

// Deletes the file (inside the log folder) when it holds more than kLogFileSizeLimit bytes.
// Returns the result of the deletion, or 0 when nothing was deleted.
int LimitLogFileSize(const char* fileName);

// Writes `time` as local "%Y-%m-%d %H:%M:%S". Returns buffer, or nullptr (writing nothing)
// when buffer is missing or bufferSize is below 32.
char* FormatLocalTime(std::int64_t time, char* buffer, std::size_t bufferSize);

// The run-time check: records a failed condition and lets the caller take its safe path.
#define ASSERT_LOG(cond) \
    ((cond) ? (void)0 : (void)AssertLog(0, #cond, __FILE__, __func__, __LINE__))
// The same with the function name and line the record must carry.
#define ASSERT_LOG_AT(cond, function, line) \
    ((cond) ? (void)0 : (void)AssertLog(0, #cond, __FILE__, function, line))
