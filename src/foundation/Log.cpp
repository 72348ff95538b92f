#include "foundation/Log.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>

#include "foundation/LogFile.h"
#include "platform/LocalTime.h"
#include "platform/Utf8Path.h"

namespace {

std::mutex g_dirMutex;
std::string g_logDir;

constexpr const char* kTraceName = "Trace.log";
constexpr const char* kNetName = "Net.log";
constexpr const char* kDebugInfoName = "DebugInfo.log";
constexpr const char* kAssertName = "Assert.log";

std::string PathIn(std::string dir, const char* fileName) {
    if (dir.empty()) {
        return fileName;
    }
    if (dir.back() != '/') {
        dir += '/';
    }
    return dir + fileName;
}

// One writer per file, each with its own lock.
struct LogWriters {
    LogFile trace{LogFilePath(kTraceName), kLogFileSizeLimit};
    LogFile net{LogFilePath(kNetName), kLogFileSizeLimit};
    LogFile debugInfo{LogFilePath(kDebugInfoName), 0};
    LogFile assertRecords{LogFilePath(kAssertName), kLogFileSizeLimit};
};

// The writers are never destroyed: a thread may still write a line while the process's
// statics are being torn down, and the system closes the files at exit.
LogWriters& Writers() {
    union Holder {
        Holder() : writers() {}
        ~Holder() {}
        LogWriters writers;
    };
    static Holder holder;
    return holder.writers;
}

// The time stamp of Trace.log and Net.log lines. Each thread keeps the text of the last second
// it formatted, so a burst of lines formats the local time once.
std::size_t WriteStamp(char* out) {
    thread_local std::time_t cachedSecond = -1;
    thread_local char cachedText[64] = {};
    thread_local std::size_t cachedSize = 0;
    const std::time_t now = std::time(nullptr);
    if (now != cachedSecond) {
        if (FormatLocalTime(static_cast<std::int64_t>(now), cachedText, sizeof(cachedText)) ==
            nullptr) {
            cachedText[0] = '\0';
        }
        cachedSize = std::strlen(cachedText);
        cachedSecond = now;
    }
    std::memcpy(out, cachedText, cachedSize);
    out[cachedSize] = '\t';
    return cachedSize + 1;
}

// Formats the whole line on the caller's side, so the file's lock is held for the write alone.
// Most lines fit the stack buffer; a longer message is formatted again on the heap, cut at the
// formatting capacity. The message ends at its first zero byte, as a C string would.
void WriteLine(LogFile& file, bool timeStamped, const char* format, va_list args) {
    char small[1024];
    std::unique_ptr<char[]> large;
    const std::size_t prefix = timeStamped ? WriteStamp(small) : 0;
    char* line = small;
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small + prefix, sizeof(small) - prefix, format, args);
    if (n < 0) {
        small[prefix] = '\0';
    } else if (static_cast<std::size_t>(n) >= sizeof(small) - prefix) {
        const std::size_t capacity =
            std::min(static_cast<std::size_t>(n) + 1, kLogFormatBufferSize);
        large = std::make_unique_for_overwrite<char[]>(prefix + capacity);
        std::memcpy(large.get(), small, prefix);
        if (std::vsnprintf(large.get() + prefix, capacity, format, again) < 0) {
            large[prefix] = '\0';
        }
        line = large.get();
    }
    va_end(again);
    file.Append(line, prefix + std::strlen(line + prefix));
}

void WriteLine(LogFile& file, bool timeStamped, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

void WriteLine(LogFile& file, bool timeStamped, const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLine(file, timeStamped, format, args);
    va_end(args);
}

}  // namespace

void SetLogDirectory(const std::string& dir) {
    LogWriters& writers = Writers();  // made before the lock: making them reads the folder
    std::lock_guard<std::mutex> lock(g_dirMutex);
    g_logDir = dir;
    writers.trace.Retarget(PathIn(dir, kTraceName));
    writers.net.Retarget(PathIn(dir, kNetName));
    writers.debugInfo.Retarget(PathIn(dir, kDebugInfoName));
    writers.assertRecords.Retarget(PathIn(dir, kAssertName));
}

std::string GetLogDirectory() {
    std::lock_guard<std::mutex> lock(g_dirMutex);
    return g_logDir;
}

std::string LogFilePath(const char* fileName) {
    return PathIn(GetLogDirectory(), fileName);
}

void TraceLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLine(Writers().trace, true, format, args);
    va_end(args);
}

void NetLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLine(Writers().net, true, format, args);
    va_end(args);
}

void DebugInfoLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLine(Writers().debugInfo, false, format, args);
    va_end(args);
}

int AssertLog(int /*condition*/, const char* expression, const char* file, const char* function,
              int line) {
    // The runtime's fixed 24-character local-time text, with its line break.
    char timeText[64];
    std::time_t now = std::time(nullptr);
    std::tm local{};
    // Fixed English names: the text must not follow the user's locale.
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (!ToLocalTime(now, local)) {
        timeText[0] = '\0';
    } else {
        std::snprintf(timeText, sizeof(timeText), "%s %s %02d %02d:%02d:%02d %04d\n",
                      kDays[local.tm_wday % 7], kMonths[local.tm_mon % 12], local.tm_mday,
                      local.tm_hour, local.tm_min, local.tm_sec, local.tm_year + 1900);
    }
    WriteLine(Writers().assertRecords, false, "%s,%s,%s,%s,%d\n", expression ? expression : "",
              timeText, file ? file : "", function ? function : "", line);
    return 0;
}

std::uint64_t LogLinesDropped() {
    LogWriters& writers = Writers();
    return writers.trace.Dropped() + writers.net.Dropped() + writers.debugInfo.Dropped() +
           writers.assertRecords.Dropped();
}

int LimitLogFileSize(const char* fileName) {
    std::string path = LogFilePath(fileName);
    // The size comes from the folder entry, without opening the file.
    const std::filesystem::path file = PathFromUtf8(path);
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || size <= static_cast<std::uintmax_t>(kLogFileSizeLimit)) {
        return 0;
    }
    return std::filesystem::remove(file, ec) ? 0 : -1;
}

char* FormatLocalTime(std::int64_t time, char* buffer, std::size_t bufferSize) {
    if (buffer == nullptr || bufferSize < 32) {
        return nullptr;
    }
    std::time_t t = static_cast<std::time_t>(time);
    std::tm local{};
    if (!ToLocalTime(t, local)) {
        ToLocalTime(0, local);
    }
    if (std::strftime(buffer, bufferSize, "%Y-%m-%d %H:%M:%S", &local) == 0) {
        buffer[0] = '\0';
    }
    return buffer;
}
