#include "platform/Utf8Path.h"

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    // char8_t text is UTF-8 on every platform, whatever the ANSI code page.
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}
