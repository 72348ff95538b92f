#pragma once
// The name fields of an upgrade file set's header pieces, for the platform tests of its order
// and names.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/UpgradeFileSet.h"

// Bytes 0..127 of each file's piece 0 up to the first zero, in serial order.
inline std::vector<std::string> NameFields(const UpgradeFileSet& set) {
    std::vector<std::string> names;
    for (int serial = 1; serial <= set.GetFileCount(); ++serial) {
        int length = 0;
        const std::uint8_t* data = nullptr;
        if (set.GetPiece(serial, 0, length, data)) {
            const char* text = reinterpret_cast<const char*>(data);
            names.emplace_back(text, std::find(text, text + 128, '\0'));
        }
    }
    return names;
}
