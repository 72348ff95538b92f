#pragma once
// A page of every kind of control, for the form tests that need no real page.
#include "pages/PageLayout.h"

// clang-format off
#define ZR40_TEST_FORM_CONTROLS(X) \
    X(kLabel,      1,  Label,      0, 0, 40,  10, "label",  -1, None) \
    X(kEdit,       2,  Edit,       0, 0, 40,  10, "",       -1, None) \
    X(kPassword,   3,  Password,   0, 0, 40,  10, "",       -1, None) \
    X(kAddress,    4,  Address,    0, 0, 60,  12, "",       -1, None) \
    X(kList,       5,  List,       0, 0, 60,  80, "",       -1, None) \
    X(kDropList,   6,  DropList,   0, 0, 60,  80, "",       -1, None) \
    X(kSortedList, 7,  SortedList, 0, 0, 60,  80, "",       -1, None) \
    X(kRadioA1,    10, Radio,      0, 0, 40,  10, "a1",     -1, StartsGroup) \
    X(kRadioA2,    11, Radio,      0, 0, 40,  10, "a2",     -1, None) \
    X(kRadioB1,    20, Radio,      0, 0, 40,  10, "b1",     -1, StartsGroup) \
    X(kCheck,      30, Check,      0, 0, 40,  10, "check",  -1, StartsGroup) \
    X(kButton,     31, Button,     0, 0, 40,  14, "button", -1, None) \
    X(kDisplay,    40, Display,    0, 0, 100, 50, "",       -1, None) \
    X(kGroup,      50, Group,      0, 0, 100, 50, "group",  -1, None)
// clang-format on

namespace TestFormId {
ZR40_TEST_FORM_CONTROLS(ZR40_CONTROL_ID)
}  // namespace TestFormId

inline constexpr ControlSpec kTestFormControls[] = {ZR40_TEST_FORM_CONTROLS(ZR40_CONTROL_SPEC)};
inline constexpr PageLayout kTestFormLayout{0, "test", kTestFormControls};
