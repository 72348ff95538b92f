#include <cstring>

#include "foundation/Log.h"
#include "network/CmpHandlers.h"
#include "network/CmpPacketHead.h"
#include "registry/MonitorObject.h"
#include "registry/UpgradeRequest.h"

int HandleCmpUpgradeReq(const std::uint8_t* frame, int length, MonitorObject* monitor) {
    if (frame == nullptr || monitor == nullptr ||
        length < static_cast<int>(kCmpHeadSize + sizeof(UpgradeRequest))) {
        return -1;
    }
    UpgradeRequest request;
    std::memcpy(&request, frame + kCmpHeadSize, sizeof(request));
    monitor->SetUpgradeRequest(request);
    TraceLog("HandleCmpUpgradeReq file Serial: %d serial num: %d\n",
             static_cast<int>(request.fileSerial), static_cast<int>(request.serialNum));
    return 0;
}
