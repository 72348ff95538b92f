#include <cstddef>

#include "foundation/Log.h"
#include "network/CmpHandlers.h"
#include "network/CmpPacketHead.h"
#include "registry/MonitorObject.h"

namespace {
constexpr std::uint8_t kModuleChange = 17;
}

void HandleCmpLoadorUnloadModule(const std::uint8_t* pPacketHead, MonitorObject* monitor) {
    MonitorSystemStatus* pStatus = monitor != nullptr ? monitor->GetStatus() : nullptr;
    ASSERT_LOG_AT(pStatus != NULL, "HandleCmpLoadorUnloadModule", 435);
    if (pStatus == nullptr || pPacketHead == nullptr) {
        return;
    }
    if (ReadLe16(pPacketHead) < kCmpHeadSize + kModuleIndexCount) {
        return;
    }
    const std::uint8_t* body = pPacketHead + kCmpHeadSize;
    MonitorAttribute tempAttr;
    pStatus->GetMonitorAttribute(&tempAttr);
    // Index 0 names no module and is left as it is.
    for (std::size_t i = 1; i < kModuleIndexCount; ++i) {
        tempAttr.loadedModules[i] = body[i];
    }
    tempAttr.lastChange = kModuleChange;
    pStatus->SetMonitorAttribute(&tempAttr);
}
