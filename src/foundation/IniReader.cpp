#include "foundation/IniReader.h"

#include <cstddef>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

// Walks the text line by line; CR LF, CR and LF each end a line.
class LineReader {
  public:
    explicit LineReader(std::string_view text) : text_(text) {}
    bool Next(std::string_view& line) {
        if (pos_ >= text_.size()) {
            return false;
        }
        std::size_t end = text_.find_first_of("\r\n", pos_);
        if (end == std::string_view::npos) {
            end = text_.size();
        }
        line = text_.substr(pos_, end - pos_);
        pos_ = end;
        if (pos_ < text_.size() && text_[pos_] == '\r') {
            ++pos_;
        }
        if (pos_ < text_.size() && text_[pos_] == '\n') {
            ++pos_;
        }
        return true;
    }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    section = Trim(section);
    key = Trim(key);
    // 0: before the wanted section, 1: inside it, 2: past it (only its first instance counts).
    int where = section.empty() ? 1 : 0;
    LineReader lines(text);
    std::string_view line;
    while (where < 2 && lines.Next(line)) {
        line = Trim(line);
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close == std::string_view::npos) {
                continue;
            }
            if (where == 1) {
                where = 2;
            } else if (SameName(Trim(line.substr(1, close - 1)), section)) {
                where = 1;
            }
            continue;
        }
        if (where != 1) {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!SameName(Trim(line.substr(0, equals)), key)) {
            continue;
        }
        if (equals == std::string_view::npos) {
            return std::nullopt;
        }
        return Unquote(Trim(line.substr(equals + 1)));
    }
    return std::nullopt;
}
