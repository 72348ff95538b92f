#include "foundation/Log.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>

#include <sys/stat.h>

namespace {

std::mutex g_dirMutex;
std::string g_logDir;

// One writer per file: its own lock and formatting buffer.
struct LogWriter {
    const char* fileName;
    bool timeStamped;
    bool sizeCapped;
    std::mutex mutex;
    char buffer[kLogFormatBufferSize];
};

LogWriter g_trace{"Trace.log", true, true, {}, {}};
LogWriter g_net{"Net.log", true, true, {}, {}};
LogWriter g_debugInfo{"DebugInfo.log", false, false, {}, {}};
LogWriter g_assert{"Assert.log", false, true, {}, {}};

void WriteEntry(LogWriter& w, const char* format, va_list args) {
    std::lock_guard<std::mutex> lock(w.mutex);
    // vsnprintf never writes past the buffer; a longer message is cut.
    int n = std::vsnprintf(w.buffer, sizeof(w.buffer), format, args);
    if (n < 0) {
        w.buffer[0] = '\0';
    }
    if (w.sizeCapped) {
        LimitLogFileSize(w.fileName);
    }
    std::string path = LogFilePath(w.fileName);
    std::FILE* f = std::fopen(path.c_str(), "a+");
    if (f == nullptr) {
        return;
    }
    if (w.timeStamped) {
        char stamp[64];
        if (FormatLocalTime(static_cast<std::int64_t>(std::time(nullptr)), stamp, sizeof(stamp)) ==
            nullptr) {
            stamp[0] = '\0';
        }
        std::fputs(stamp, f);
        std::fputc('\t', f);
    }
    std::fputs(w.buffer, f);
    std::fclose(f);
}

}  // namespace

void SetLogDirectory(const std::string& dir) {
    std::lock_guard<std::mutex> lock(g_dirMutex);
    g_logDir = dir;
}

std::string GetLogDirectory() {
    std::lock_guard<std::mutex> lock(g_dirMutex);
    return g_logDir;
}

std::string LogFilePath(const char* fileName) {
    std::string dir = GetLogDirectory();
    if (dir.empty()) {
        return fileName;
    }
    if (dir.back() != '/') {
        dir += '/';
    }
    return dir + fileName;
}

void TraceLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteEntry(g_trace, format, args);
    va_end(args);
}

void NetLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteEntry(g_net, format, args);
    va_end(args);
}

void DebugInfoLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteEntry(g_debugInfo, format, args);
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
    if (localtime_r(&now, &local) == nullptr) {
        timeText[0] = '\0';
    } else {
        std::snprintf(timeText, sizeof(timeText), "%s %s %02d %02d:%02d:%02d %04d\n",
                      kDays[local.tm_wday % 7], kMonths[local.tm_mon % 12], local.tm_mday,
                      local.tm_hour, local.tm_min, local.tm_sec, local.tm_year + 1900);
    }
    std::lock_guard<std::mutex> lock(g_assert.mutex);
    LimitLogFileSize(g_assert.fileName);
    std::string path = LogFilePath(g_assert.fileName);
    std::FILE* f = std::fopen(path.c_str(), "a+");
    if (f == nullptr) {
        return 0;
    }
    std::snprintf(g_assert.buffer, sizeof(g_assert.buffer), "%s,%s,%s,%s,%d\n",
                  expression ? expression : "", timeText, file ? file : "",
                  function ? function : "", line);
    std::fputs(g_assert.buffer, f);
    std::fclose(f);
    return 0;
}

int LimitLogFileSize(const char* fileName) {
    std::string path = LogFilePath(fileName);
    // stat() gives the size without opening the file on every entry.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return 0;
    }
    if (info.st_size > kLogFileSizeLimit) {
        return std::remove(path.c_str());
    }
    return 0;
}

char* FormatLocalTime(std::int64_t time, char* buffer, std::size_t bufferSize) {
    if (buffer == nullptr || bufferSize < 32) {
        return nullptr;
    }
    std::time_t t = static_cast<std::time_t>(time);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) {
        std::time_t zero = 0;
        localtime_r(&zero, &local);
    }
    if (std::strftime(buffer, bufferSize, "%Y-%m-%d %H:%M:%S", &local) == 0) {
        buffer[0] = '\0';
    }
    return buffer;
}
