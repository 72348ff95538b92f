#include "record/RecordFormat.h"

#include <cstdio>
#include <ctime>

#include "platform/LocalTime.h"
#include "platform/Sha256Digest.h"
#include "record/CsvText.h"

namespace {

using namespace std::chrono;

// The calendar fields of a count of seconds since 1970 (no time zone involved).
struct Civil {
    int year, month, day, hour, minute, second;
};

Civil CivilOf(long long seconds) {
    const sys_days day{days{seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400}};
    const year_month_day date{day};
    const long long inDay =
        seconds - static_cast<long long>(day.time_since_epoch().count()) * 86400;
    return Civil{static_cast<int>(date.year()),          static_cast<int>(unsigned(date.month())),
                 static_cast<int>(unsigned(date.day())), static_cast<int>(inDay / 3600),
                 static_cast<int>(inDay / 60 % 60),      static_cast<int>(inDay % 60)};
}

long long SecondsOf(const std::tm& t) {
    const sys_days day = year{t.tm_year + 1900} / month{static_cast<unsigned>(t.tm_mon + 1)} /
                         std::chrono::day{static_cast<unsigned>(t.tm_mday)};
    return static_cast<long long>(day.time_since_epoch().count()) * 86400 + t.tm_hour * 3600 +
           t.tm_min * 60 + t.tm_sec;
}

long long UnixSeconds(system_clock::time_point when) {
    return duration_cast<seconds>(floor<seconds>(when).time_since_epoch()).count();
}

}  // namespace

std::string ChainDigest(std::string_view previous, std::string_view text) {
    std::string input;
    input.reserve(previous.size() + text.size());
    input.append(previous);
    input.append(text);
    return Sha256Hex(input.data(), input.size());
}

std::string ChainSeed() {
    return Sha256Hex(kRecordHeader, sizeof kRecordHeader - 1);
}

std::string UtcTimeText(system_clock::time_point when) {
    const Civil c = CivilOf(UnixSeconds(when));
    const auto millis = duration_cast<milliseconds>(when - floor<seconds>(when)).count();
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", c.year, c.month, c.day,
                  c.hour, c.minute, c.second, static_cast<int>(millis));
    return text;
}

std::string LocalTimeText(system_clock::time_point when) {
    const long long utc = UnixSeconds(when);
    std::tm local{};
    if (!ToLocalTime(static_cast<std::time_t>(utc), local)) {
        return std::string();
    }
    const long long offset = SecondsOf(local) - utc;
    const long long magnitude = offset < 0 ? -offset : offset;
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, offset < 0 ? '-' : '+',
                  static_cast<int>(magnitude / 3600), static_cast<int>(magnitude / 60 % 60));
    return text;
}

std::string RecordFileName(system_clock::time_point when) {
    const Civil c = CivilOf(UnixSeconds(when));
    char text[96];
    std::snprintf(text, sizeof text, "ServiceRecord-%04d-%02d.csv", c.year, c.month);
    return text;
}

std::string RecordText(const ServiceEntry& entry, system_clock::time_point when,
                       const std::string& pc, const std::string& user, long long number) {
    std::string duration;
    if (entry.seconds >= 0) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", entry.seconds);
        duration = text;
    }
    // The times, the entry number and the duration are the tool's own; every other text may
    // come from a monitor or a user.
    return UtcTimeText(when) + ',' + LocalTimeText(when) + ',' +
           CsvLine({pc, user, entry.action, entry.guid, entry.deviceName}) + ',' +
           CsvField(entry.bed, false) + ',' +
           CsvLine({entry.ip, entry.version, entry.changes, entry.result}) + ',' + duration + ',' +
           std::to_string(number);
}
