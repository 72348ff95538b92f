#pragma once
// The patient information a monitor reports (command 0x0011).
#include <cstdint>
#include <ctime>

#include "foundation/WideText.h"

inline constexpr float kNoPatientValue = -1000.0f;

struct MonitorPatientInfo {
    WChar text1[64]{};
    WChar text2[64]{};
    WChar text3[64]{};
    WChar text4[64]{};
    WChar text5[64]{};
    WChar text6[64]{};
    std::uint32_t bedNo = 0;
    std::uint32_t netBedNo = 0;  // attribute.bedNo when the patient message arrived
    std::uint8_t code1 = 0;
    std::uint8_t code2 = 0;
    std::uint8_t code3 = 0;
    float value1 = 0.0f;
    float value2 = 0.0f;
    std::tm date1{};  // only tm_mday, tm_mon and tm_year are filled
    std::tm date2{};
    std::uint8_t code4 = 0xFF;
    float value3 = kNoPatientValue;
    float value4 = kNoPatientValue;

    // Every field 0.
    void Clear();
};
