#include "platform/Utf8Path.h"

std::FILE* OpenFileUtf8(const std::string& utf8Path, const char* mode) {
    return std::fopen(utf8Path.c_str(), mode);
}
