#include "record/CsvText.h"

namespace {

bool IsControl(unsigned char c) {
    return (c < 0x20 && c != '\r' && c != '\n' && c != '\t') || c == 0x7F;
}

}  // namespace

std::string CsvField(std::string_view text, bool guarded) {
    std::string safe;
    safe.reserve(text.size() + 2);
    if (guarded && !text.empty() &&
        (text.front() == '=' || text.front() == '+' || text.front() == '-' ||
         text.front() == '@')) {
        safe += '\'';
    }
    bool quote = false;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (guarded && IsControl(c)) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            safe += "\\x";
            safe += kHex[c >> 4];
            safe += kHex[c & 0x0F];
            continue;
        }
        if (ch == '"') {
            safe += '"';
            quote = true;
        }
        quote = quote || ch == ',' || ch == '\r' || ch == '\n';
        safe += ch;
    }
    return quote ? '"' + safe + '"' : safe;
}

std::string CsvLine(const std::vector<std::string>& fields, bool guarded) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            line += ',';
        }
        line += CsvField(fields[i], guarded);
    }
    return line;
}

std::vector<CsvRecord> ReadCsvRecords(std::string_view text, bool& wellFormed) {
    wellFormed = true;
    std::vector<CsvRecord> records;
    std::size_t at = 0;
    if (text.substr(0, 3) == kUtf8Bom) {
        at = 3;
    }
    int line = 1;
    while (at < text.size()) {
        CsvRecord record;
        record.begin = at;
        record.line = line;
        std::string field;
        bool ended = false;
        while (!ended) {
            if (at < text.size() && text[at] == '"') {
                // quoted: up to the quote that is not doubled
                ++at;
                bool closed = false;
                while (at < text.size()) {
                    const char ch = text[at++];
                    if (ch == '"') {
                        if (at < text.size() && text[at] == '"') {
                            field += '"';
                            ++at;
                            continue;
                        }
                        closed = true;
                        break;
                    }
                    line += ch == '\n' ? 1 : 0;
                    field += ch;
                }
                if (!closed ||
                    (at < text.size() && text[at] != ',' && text[at] != '\r' && text[at] != '\n')) {
                    wellFormed = false;
                    return records;
                }
            } else {
                while (at < text.size() && text[at] != ',' && text[at] != '\r' &&
                       text[at] != '\n') {
                    if (text[at] == '"') {
                        wellFormed = false;
                        return records;
                    }
                    field += text[at++];
                }
            }
            record.fields.push_back(std::move(field));
            field.clear();
            if (at < text.size() && text[at] == ',') {
                ++at;
                continue;
            }
            ended = true;
        }
        record.end = at;
        if (at < text.size() && text[at] == '\r') {
            ++at;
        }
        if (at < text.size() && text[at] == '\n') {
            ++at;
        }
        ++line;
        records.push_back(std::move(record));
    }
    return records;
}
