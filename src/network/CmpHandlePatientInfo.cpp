#include <cinttypes>
#include <cstddef>

#include "foundation/Log.h"
#include "network/CmpHandleText.h"
#include "network/CmpHandlers.h"
#include "network/CmpPacketHead.h"
#include "platform/ThreadId.h"
#include "registry/MonitorObject.h"

namespace {

constexpr std::size_t kPatientBody = 424;
constexpr std::size_t kPatientTextWidth = 64;
constexpr double kValueBias = 0.00002;

// Stores the text only when it fits; otherwise the field keeps its value.
void StoreText(WChar (&field)[kPatientTextWidth], const std::uint8_t* src) {
    const WString text = CmpFieldText(src, kPatientTextWidth);
    if (text.size() < kPatientTextWidth) {
        CopyToField(field, text);
    }
}

void StoreDate(std::tm& date, const std::uint8_t* src) {
    date.tm_year = static_cast<int>(ReadLe16(src)) - 1900;
    date.tm_mon = static_cast<int>(src[2]) - 1;
    date.tm_mday = src[3];
}

}  // namespace

void HandleCmpPatientInfo(const std::uint8_t* pPacketHead, MonitorObject* monitor) {
    TraceLog("HandleCmpPatientInfo: ThreadId == %d,pMonitorObj == 0x%" PRIxPTR "!\n",
             CurrentThreadId(), reinterpret_cast<std::uintptr_t>(monitor));
    ASSERT_LOG_AT(pPacketHead != NULL, "HandleCmpPatientInfo", 271);
    MonitorSystemStatus* pStatus = monitor != nullptr ? monitor->GetStatus() : nullptr;
    ASSERT_LOG_AT(pStatus != NULL, "HandleCmpPatientInfo", 274);
    if (pPacketHead == nullptr || pStatus == nullptr) {
        return;
    }
    if (ReadLe16(pPacketHead) < kCmpHeadSize + kPatientBody) {
        return;
    }
    MonitorPatientInfo patient;
    MonitorAttribute attribute;
    pStatus->GetMonitorPatientInfo(&patient);
    pStatus->GetMonitorAttribute(&attribute);
    if (attribute.bedNo == 0) {
        return;  // no bed number yet: the session has not finished registering the monitor
    }
    const std::uint8_t* body = pPacketHead + kCmpHeadSize;
    patient.netBedNo = attribute.bedNo;
    StoreText(patient.text6, body + 32);
    StoreText(patient.text3, body + 96);
    StoreText(patient.text2, body + 160);
    StoreText(patient.text5, body + 224);
    StoreText(patient.text4, body + 288);
    StoreText(patient.text1, body + 352);
    patient.bedNo = ReadLe16(body + 2);
    patient.code2 = body[4];
    patient.code1 = body[5];
    patient.code3 = body[6];
    patient.value1 = static_cast<float>(static_cast<double>(CmpReadFloat(body + 7)) + kValueBias);
    patient.value2 = static_cast<float>(static_cast<double>(CmpReadFloat(body + 11)) + kValueBias);
    patient.code4 = body[15];
    StoreDate(patient.date1, body + 16);
    StoreDate(patient.date2, body + 24);
    patient.value3 = CmpReadFloat(body + 416);
    patient.value4 = CmpReadFloat(body + 420);
    pStatus->SetMonitorPatientInfo(&patient);
}
