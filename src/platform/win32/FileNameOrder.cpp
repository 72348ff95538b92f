#include <windows.h>

#include "platform/FileNameOrder.h"

#include <climits>
#include <string>

bool FileNameLess(const std::filesystem::path& a, const std::filesystem::path& b) {
    const std::wstring x = a.filename().native();
    const std::wstring y = b.filename().native();
    if (x.size() < static_cast<std::size_t>(INT_MAX) &&
        y.size() < static_cast<std::size_t>(INT_MAX)) {
        // Ordinal with the system's upper-casing: the comparison NTFS orders a folder by.
        const int order = ::CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(),
                                                 static_cast<int>(y.size()), TRUE);
        if (order == CSTR_LESS_THAN) {
            return true;
        }
        if (order == CSTR_GREATER_THAN) {
            return false;
        }
    }
    return x < y;
}
