#include <cstddef>

#include "foundation/Log.h"
#include "network/CmpHandlers.h"
#include "network/CmpPacketHead.h"
#include "registry/MonitorObject.h"

namespace {

constexpr std::size_t kResultBody = 8;
constexpr std::uint16_t kStatusSuccess = 1;

// The internal code for an acknowledged attribute order; false leaves `code` as it was.
bool AttributeResultCode(std::uint16_t item, std::int32_t& code) {
    switch (item) {
        case 0x0050:
            code = 10;
            return true;
        case 0x0053:
            code = 11;
            return true;
        case 0x0056:
            code = 17;
            return true;
        case 0x0059:
            code = 23;
            return true;
        default:
            return false;
    }
}

}  // namespace

int HandleCmpCommandResult(const std::uint8_t* pPacketHead, MonitorObject* monitor,
                           std::int32_t timeLow, std::int32_t timeHigh) {
    if (pPacketHead == nullptr || monitor == nullptr) {
        return -1;
    }
    if (ReadLe16(pPacketHead) < kCmpHeadSize + kResultBody) {
        return -1;
    }
    const std::uint8_t* body = pPacketHead + kCmpHeadSize;
    const std::uint32_t command = ReadLe32(body);
    const std::uint16_t status = ReadLe16(body + 4);
    const std::uint16_t detail = ReadLe16(body + 6);

    CommandResult r = monitor->GetLastResult();
    switch (command) {
        case 0x0012:
            r.code = 15;
            break;
        case 0x0013:
            r.code = 16;
            r.detail = detail;
            break;
        case 0x0021:
            r.code = 19;
            break;
        case 0x0022:
            r.code = 20;
            break;
        case 0x0025:
            r.code = 21;
            break;
        case 0x0026:
            r.code = 22;
            break;
        case 0x0058:
            r.code = 18;
            break;
        case 0x0090:
            r.code = 9;
            break;
        case 0x0100:
            r.code = 2;
            TraceLog("SET_PATIENT_INFO\n");
            break;
        case 0x0101:
            r.code = 3;
            break;
        case 0x0102:
            if (detail == 0x1001) {
                r.code = 7;
            } else {
                r.code = 0;
                r.detail = detail;
            }
            break;
        case 0x0103:
            r.code = 1;
            r.detail = detail + 0x301;
            break;
        case 0x0110:
            r.code = 5;
            break;
        case 0x0112:
            r.code = 12;
            break;
        case 0x0113:
            r.code = 13;
            break;
        case 0x0200:
            AttributeResultCode(detail, r.code);
            break;
        default:
            r.code = -1;
            break;
    }
    r.result = status == kStatusSuccess ? 0 : -1;
    r.timeLow = timeLow;
    r.timeHigh = timeHigh;
    monitor->SetLastResult(r);
    return 0;
}
