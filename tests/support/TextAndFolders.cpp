#include "TextAndFolders.h"

#include <filesystem>
#include <system_error>

#include "platform/CodePage.h"
#include "platform/Utf8Path.h"

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

int CountOccurrences(const std::string& text, const std::string& what) {
    int count = 0;
    if (what.empty()) {
        return 0;
    }
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(PathFromUtf8(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        names.push_back(Utf8FromPath(it->path().filename()));
    }
    return names;
}

int CountFolderEntries(const std::string& folder) {
    return static_cast<int>(FolderEntries(folder).size());
}

bool LegacyCodePageIsChinese() {
    const int page = LegacyCodePageNumber();
    return page == 936 || page == 54936;
}
