#include "ScopedEnvVar.h"

#include <cstdlib>

#include "platform/Utf8Path.h"

namespace {

#ifdef _WIN32
// Windows keeps the environment in UTF-16; the narrow functions would see the ANSI code page.
std::wstring Wide(const std::string& text) {
    return PathFromUtf8(text).wstring();
}
#endif

std::optional<std::string> Get(const std::string& name) {
#ifdef _WIN32
    const wchar_t* value = ::_wgetenv(Wide(name).c_str());
    return value != nullptr ? std::optional(Utf8FromPath(value)) : std::nullopt;
#else
    const char* value = std::getenv(name.c_str());
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
#endif
}

void Set(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    ::_wputenv_s(Wide(name).c_str(), value ? Wide(*value).c_str() : L"");
#else
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
#endif
}

}  // namespace

ScopedEnvVar::ScopedEnvVar(std::string name, const std::string& value)
    : name_(std::move(name)), previous_(Get(name_)) {
    Set(name_, value);
}

ScopedEnvVar::~ScopedEnvVar() {
    Set(name_, previous_);
}
