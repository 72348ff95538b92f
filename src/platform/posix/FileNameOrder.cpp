#include "platform/FileNameOrder.h"

bool FileNameLess(const std::filesystem::path& a, const std::filesystem::path& b) {
    return a.filename().native() < b.filename().native();
}
