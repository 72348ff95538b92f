#pragma once
// The service record's file format, shared by the writer and the check. Each line is one CSV
// record (RFC 4180, lines ended CR LF, the file UTF-8 with a byte-order mark) whose last field
// is the line's digest: SHA-256 over the previous line's digest and this line's text up to the
// comma before its own digest. The header line starts the chain (its digest field is the word
// "Digest"; the first entry chains from the digest of the header's text). The "Entry" field
// numbers the entries 1, 2, ... so a removed line shows as a gap.
#include <chrono>
#include <string>
#include <string_view>

#include "record/ServiceEntry.h"

inline constexpr char kRecordHeader[] =
    "UTC time,Local time,PC,User,Action,Monitor GUID,Device name,Bed,IP address,"
    "Software version,Changes,Result,Duration (s),Entry,Digest";
inline constexpr int kRecordColumns = 15;
inline constexpr int kRecordEntryColumn = 13;

// SHA-256 (hexadecimal) over the previous digest and the line's text.
std::string ChainDigest(std::string_view previous, std::string_view text);
// Where the chain starts: the digest of the header's text.
std::string ChainSeed();

// "2026-12-10T13:57:43.123Z" and "2026-12-10T14:57:43+01:00".
std::string UtcTimeText(std::chrono::system_clock::time_point when);
std::string LocalTimeText(std::chrono::system_clock::time_point when);
// "ServiceRecord-YYYY-MM.csv" of the moment's UTC month.
std::string RecordFileName(std::chrono::system_clock::time_point when);

// The line's text without its digest field: every column from the UTC time to the entry
// number.
std::string RecordText(const ServiceEntry& entry, std::chrono::system_clock::time_point when,
                       const std::string& pc, const std::string& user, long long number);
