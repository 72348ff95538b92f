// HandleCmpProcotol on arbitrary blocks, with a monitor object from a pool of its own.
// No UI thread is installed, so every post is dropped.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/Log.h"
#include "network/CmpProtocol.h"
#include "registry/CMonitorObjectMng.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool logs = [] {
        char dir[] = "/tmp/zr40fuzz-XXXXXX";
        SetLogDirectory(::mkdtemp(dir) != nullptr ? dir : "/tmp");
        return true;
    }();
    (void)logs;
    static CMonitorObjectMng pool;
    static MonitorObject* monitor = [] {
        GUID key{};
        key.Data4[0] = 1;
        MonitorObject* m = pool.GetAvailableObj(key);
        MonitorAttribute a;
        a.bedNo = 5;  // lets patient messages through
        m->GetStatus()->SetMonitorAttribute(&a);
        return m;
    }();
    if (size > static_cast<std::size_t>(kCmpMaxBlock)) {
        size = kCmpMaxBlock;
    }
    std::vector<std::uint8_t> block(data, data + size);
    std::int32_t len = static_cast<std::int32_t>(size);
    PacketInfo info;
    const std::int32_t r =
        HandleCmpProcotol(block.empty() ? nullptr : block.data(), len, monitor, 1, 2, info);
    if ((r == 2 || r == 0 || r == 11) && (len < 0 || static_cast<std::size_t>(len) > size)) {
        __builtin_trap();
    }
    return 0;
}
