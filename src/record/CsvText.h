#pragma once
// CSV text as RFC 4180 has it, for files a spreadsheet opens as the same columns: a field with
// a comma, a quote or a line break is quoted (quotes doubled). Texts that come from monitors
// or users are made safe first: other control characters are written as \xNN, and a text that
// a spreadsheet would take for a formula (starting with = + - @) gets a leading apostrophe.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One field, quoted when it needs to be. `guarded`: the text may come from outside (see above).
std::string CsvField(std::string_view text, bool guarded = true);

// Fields joined by commas, without a line end.
std::string CsvLine(const std::vector<std::string>& fields, bool guarded = true);

struct CsvRecord {
    std::vector<std::string> fields;
    std::size_t begin = 0;  // offset of the record's first byte in the text
    std::size_t end = 0;    // offset just past its last byte (before its line break)
    int line = 0;           // the 1-based line of the text it starts on
};

// The records of CSV text (line breaks CR LF or LF; a UTF-8 byte-order mark at the start is
// skipped). `wellFormed` is false when a quoted field is not closed or a quote stands inside
// an unquoted field; the records read up to there are returned.
std::vector<CsvRecord> ReadCsvRecords(std::string_view text, bool& wellFormed);

inline constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
