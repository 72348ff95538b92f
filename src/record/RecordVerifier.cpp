#include "record/RecordVerifier.h"

#include <cstdlib>
#include <vector>

#include "foundation/FileHelpers.h"
#include "record/CsvText.h"
#include "record/RecordFormat.h"

namespace {

RecordCheck Broken(int line, std::string problem, int entries) {
    RecordCheck check;
    check.line = line;
    check.problem = std::move(problem);
    check.entries = entries;
    return check;
}

// The line's text as its digest covers it: everything before the comma ahead of the digest.
std::string_view Covered(std::string_view text, const CsvRecord& record) {
    std::string_view whole = text.substr(record.begin, record.end - record.begin);
    const std::size_t comma = whole.rfind(',');
    return comma == std::string_view::npos ? std::string_view() : whole.substr(0, comma);
}

bool Chains(std::string_view text, const CsvRecord& record, const std::string& previous) {
    return record.fields.size() == static_cast<std::size_t>(kRecordColumns) &&
           ChainDigest(previous, Covered(text, record)) == record.fields.back();
}

long long EntryNumber(const CsvRecord& record) {
    if (record.fields.size() != static_cast<std::size_t>(kRecordColumns)) {
        return -1;
    }
    const std::string& field = record.fields[kRecordEntryColumn];
    char* end = nullptr;
    const long long number = std::strtoll(field.c_str(), &end, 10);
    return end != field.c_str() && *end == '\0' ? number : -1;
}

}  // namespace

RecordCheck VerifyRecordText(std::string_view text) {
    bool wellFormed = true;
    const std::vector<CsvRecord> records = ReadCsvRecords(text, wellFormed);
    if (records.empty() || text.substr(records[0].begin, records[0].end - records[0].begin) !=
                               std::string_view(kRecordHeader)) {
        return Broken(1, "the header line is not the service record's", 0);
    }
    std::string previous = ChainSeed();
    int entries = 0;
    for (std::size_t i = 1; i < records.size(); ++i) {
        const CsvRecord& record = records[i];
        if (Chains(text, record, previous)) {
            previous = record.fields.back();
            ++entries;
            if (EntryNumber(record) != entries) {
                // the digest covers the number, so this cannot happen by itself
                return Broken(record.line, "the entry numbers do not follow each other", entries);
            }
            continue;
        }
        const CsvRecord* next = i + 1 < records.size() ? &records[i + 1] : nullptr;
        if (next != nullptr && Chains(text, *next, previous)) {
            return Broken(
                record.line,
                "this line was inserted (the next line follows on from the one before it)",
                entries);
        }
        const long long number = EntryNumber(record);
        if (number > entries + 1) {
            const long long missing = number - entries - 1;
            return Broken(record.line,
                          std::to_string(missing) +
                              " line(s) were removed before this one (entry " +
                              std::to_string(entries + 1) +
                              (missing > 1 ? " to " + std::to_string(number - 1) : std::string()) +
                              " is missing)",
                          entries);
        }
        return Broken(record.line, "this line was changed (its digest does not match its text)",
                      entries);
    }
    if (!wellFormed) {
        const int line = records.empty() ? 1 : records.back().line + 1;
        return Broken(line, "the text after this point is not well-formed CSV", entries);
    }
    RecordCheck check;
    check.intact = true;
    check.entries = entries;
    return check;
}

RecordCheck VerifyRecordFile(const std::string& path) {
    std::size_t length = 0;
    const auto bytes = ReadWholeFile(path, length);
    if (!bytes) {
        RecordCheck check;
        check.problem = "the file cannot be read";
        return check;
    }
    return VerifyRecordText(std::string_view(reinterpret_cast<const char*>(bytes->data()), length));
}
