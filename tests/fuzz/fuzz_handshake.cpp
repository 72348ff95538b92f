// ParseHandShakeData on arbitrary windows of up to 16384 bytes.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "foundation/Log.h"
#include "network/CmpHandShakeProcess.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        char dir[] = "/tmp/zr40fuzz-XXXXXX";
        SetLogDirectory(::mkdtemp(dir) != nullptr ? dir : "/tmp");
        return true;
    }();
    (void)quiet;
    if (size > static_cast<std::size_t>(CmpHandShakeProcess::kMaxWindow)) {
        size = CmpHandShakeProcess::kMaxWindow;
    }
    // An exact-size copy so the sanitizer sees any read past the window.
    std::vector<std::uint8_t> window(data, data + size);
    CmpHandShakeProcess hs;
    int count = static_cast<int>(size);
    const int r = hs.ParseHandShakeData(window.empty() ? nullptr : window.data(), count);
    if (r == 0 && (count < 0 || static_cast<std::size_t>(count) > size)) {
        __builtin_trap();
    }
    return 0;
}
