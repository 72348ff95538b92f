#include "platform/Utf8Path.h"

#include <cwctype>

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    // char8_t text is UTF-8 on every platform, whatever the ANSI code page.
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

namespace {

std::filesystem::path Normal(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    return (ec ? path : full).lexically_normal();
}

std::wstring Folded(const std::filesystem::path& part, bool ignoreCase) {
    std::wstring text = part.wstring();
    if (ignoreCase) {
        for (wchar_t& c : text) {
            c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
        }
    }
    return text;
}

}  // namespace

bool PathIsWithin(const std::filesystem::path& path, const std::filesystem::path& base,
                  bool ignoreCase) {
    if (path.empty() || base.empty()) {
        return false;
    }
    const std::filesystem::path inner = Normal(path);
    const std::filesystem::path outer = Normal(base);
    auto at = inner.begin();
    for (const std::filesystem::path& part : outer) {
        // a trailing separator leaves an empty last part
        if (part.empty()) {
            continue;
        }
        if (at == inner.end() || Folded(*at, ignoreCase) != Folded(part, ignoreCase)) {
            return false;
        }
        ++at;
    }
    return true;
}
