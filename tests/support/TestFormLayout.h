#pragma once
// A page of every kind of control, for the form tests that need no real page.
#include "pages/PageLayout.h"

// clang-format off
#define ZR40_TEST_FORM_CONTROLS(X) \
    X(kLabel,      1,  Label,      0, 0, 40,  10, "label",  kNoText, None) \
    X(kEdit,       2,  Edit,       0, 0, 40,  10, "",       kNoText, None) \
    X(kPassword,   3,  Password,   0, 0, 40,  10, "",       kNoText, None) \
    X(kAddress,    4,  Address,    0, 0, 60,  12, "",       kNoText, None) \
    X(kList,       5,  List,       0, 0, 60,  80, "",       kNoText, None) \
    X(kDropList,   6,  DropList,   0, 0, 60,  80, "",       kNoText, None) \
    X(kSortedList, 7,  SortedList, 0, 0, 60,  80, "",       kNoText, None) \
    X(kRadioA1,    10, Radio,      0, 0, 40,  10, "a1",     kNoText, StartsGroup) \
    X(kRadioA2,    11, Radio,      0, 0, 40,  10, "a2",     kNoText, None) \
    X(kRadioB1,    20, Radio,      0, 0, 40,  10, "b1",     kNoText, StartsGroup) \
    X(kCheck,      30, Check,      0, 0, 40,  10, "check",  kNoText, StartsGroup) \
    X(kButton,     31, Button,     0, 0, 40,  14, "button", kNoText, None) \
    X(kDisplay,    40, Display,    0, 0, 100, 50, "",       kNoText, None) \
    X(kGroup,      50, Group,      0, 0, 100, 50, "group",  kNoText, None)
// clang-format on

ZR40_DESCRIBE_PAGE(TestFormId, ZR40_TEST_FORM_CONTROLS, kTestFormControls, kTestFormLayout, 0,
                   "test")
