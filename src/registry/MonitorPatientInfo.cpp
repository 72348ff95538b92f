#include "registry/MonitorPatientInfo.h"

void MonitorPatientInfo::Clear() {
    *this = MonitorPatientInfo{};
    code4 = 0;
    value3 = 0.0f;
    value4 = 0.0f;
}
